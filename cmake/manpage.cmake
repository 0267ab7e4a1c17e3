# Writes the manual page of kdimport-cli from its own --help text, so that the page and the help
# never drift apart. Run as a script:
#
#   cmake -DCLI=<path to kdimport-cli> -DOUTPUT=<kdimport-cli.1> -DVERSION=<x.y.z> -P manpage.cmake
#
# The help text has this shape, which the page follows:
#   Aufruf: ...            usage lines up to the first empty line      -> ÜBERSICHT
#   <headline>             the first line after them                   -> NAME
#   <paragraphs>           text up to the first heading                -> BESCHREIBUNG
#   Heading:               a line at the margin ending in ":"          -> a section of that name
#     term    explanation  a line indented by two, two blanks or more  -> a tagged paragraph
#     term                 between term and explanation (or a term alone
#             ...          followed by lines indented further)
#     text                 any other line indented by two              -> a paragraph
#   The section "Beispiel:" is kept as it stands.

foreach(var CLI OUTPUT VERSION)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "manpage.cmake needs -D${var}=...")
  endif()
endforeach()

separate_arguments(_command NATIVE_COMMAND "${CLI}")
execute_process(COMMAND ${_command} --help
                OUTPUT_VARIABLE _help
                RESULT_VARIABLE _status)
if(NOT _status EQUAL 0)
  message(FATAL_ERROR "${CLI} --help failed (${_status})")
endif()
string(REPLACE "\r" "" _help "${_help}")

# roff escapes: the backslash itself, and a dot or quote at the start of a line.
function(_roff text out)
  string(REPLACE "\\" "\\e" text "${text}")
  string(REPLACE "-" "\\-" text "${text}")
  if(text MATCHES "^[.']")
    set(text "\\&${text}")
  endif()
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

# Split into lines, keeping empty ones. Semicolons, brackets and backslashes, which CMake lists
# treat specially, stand in as markers until the page is done.
string(REPLACE "\\" "@KD_BACKSLASH@" _help "${_help}")
string(REPLACE ";" "@KD_SEMICOLON@" _help "${_help}")
string(REPLACE "[" "@KD_OPEN@" _help "${_help}")
string(REPLACE "]" "@KD_CLOSE@" _help "${_help}")
string(REGEX REPLACE "\n" ";" _lines "${_help}")

string(TIMESTAMP _date "%Y-%m-%d" UTC)
set(_page ".\\\" Generated from kdimport-cli --help at build time.\n")
string(APPEND _page ".TH KDIMPORT\\-CLI 1 \"${_date}\" \"kdimport-cli ${VERSION}\" \"Benutzerbefehle\"\n")

set(_state usage)  # usage, name, description, section, example
set(_synopsis "")
set(_in_item FALSE)
foreach(_line IN LISTS _lines)
  if(_state STREQUAL "usage")
    if(_line STREQUAL "")
      set(_state name)
    else()
      string(REGEX REPLACE "^Aufruf: " "" _line "${_line}")
      string(STRIP "${_line}" _line)
      _roff("${_line}" _line)
      string(APPEND _synopsis "${_line}\n")
    endif()
  elseif(_state STREQUAL "name")
    _roff("${_line}" _line)
    string(APPEND _page ".SH NAME\nkdimport\\-cli \\- ${_line}\n")
    string(APPEND _page ".SH \"ÜBERSICHT\"\n.nf\n${_synopsis}.fi\n.SH BESCHREIBUNG\n")
    set(_state description)
  elseif(_line MATCHES "^([^ ].*):$")
    string(TOUPPER "${CMAKE_MATCH_1}" _heading)
    string(REPLACE "ä" "Ä" _heading "${_heading}")
    string(REPLACE "ö" "Ö" _heading "${_heading}")
    string(REPLACE "ü" "Ü" _heading "${_heading}")
    string(APPEND _page ".SH \"${_heading}\"\n")
    set(_in_item FALSE)
    if(_heading STREQUAL "BEISPIEL")
      set(_state example)
      string(APPEND _page ".nf\n")
    else()
      set(_state section)
    endif()
  elseif(_state STREQUAL "example")
    if(NOT _line STREQUAL "")
      if(_line MATCHES "^  ")
        string(SUBSTRING "${_line}" 2 -1 _line)
      endif()
      _roff("${_line}" _line)
      string(APPEND _page "${_line}\n")
    endif()
  elseif(_line STREQUAL "")
    if(_state STREQUAL "description" OR NOT _in_item)
      string(APPEND _page ".PP\n")
    endif()
  elseif(_state STREQUAL "description")
    _roff("${_line}" _line)
    string(APPEND _page "${_line}\n")
  elseif(_line MATCHES "^  ([^ ].*[^ ]|[^ ])  +([^ ].*)$")
    # term and explanation on one line
    set(_term "${CMAKE_MATCH_1}")
    _roff("${CMAKE_MATCH_2}" _text)
    _roff("${_term}" _term)
    string(REGEX REPLACE "^(\\\\-[^ ]*)" "\\\\fB\\1\\\\fR" _term "${_term}")
    string(APPEND _page ".TP\n${_term}\n${_text}\n")
    set(_in_item TRUE)
  elseif(_line MATCHES "^  (--?[^ ]+( [^ ]+)?)$")
    # an option whose argument leaves no room for the explanation on its line
    _roff("${CMAKE_MATCH_1}" _term)
    string(REGEX REPLACE "^(\\\\-[^ ]*)" "\\\\fB\\1\\\\fR" _term "${_term}")
    string(APPEND _page ".TP\n${_term}\n")
    set(_in_item TRUE)
  elseif(_line MATCHES "^      +([^ ].*)$")
    _roff("${CMAKE_MATCH_1}" _text)
    string(APPEND _page "${_text}\n")
  else()
    # a paragraph line
    if(_in_item)
      string(APPEND _page ".PP\n")
      set(_in_item FALSE)
    endif()
    string(STRIP "${_line}" _line)
    _roff("${_line}" _line)
    string(APPEND _page "${_line}\n")
  endif()
endforeach()
if(_state STREQUAL "example")
  string(APPEND _page ".fi\n")
endif()
string(REPLACE "@KD_SEMICOLON@" ";" _page "${_page}")
string(REPLACE "@KD_OPEN@" "[" _page "${_page}")
string(REPLACE "@KD_CLOSE@" "]" _page "${_page}")
string(REPLACE "@KD_BACKSLASH@" "\\e" _page "${_page}")

file(WRITE "${OUTPUT}.tmp" "${_page}")
file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")
