# The DATEV export as KDIMPORT.TXT records (bank setting off), for comparison with kdimport-cli.
# Usage: LC_ALL=C mawk -v umlauts=1 -f datev.awk LG_ASCII_..._SD.txt > KDIMPORT.TXT
function trim(s) { gsub(/^[\001-\040]+|[\001-\040]+$/, "", s); return s }
function church1(s) {
  if (substr(s, 1, 2) == "ev") s = "EV"
  if (substr(s, 1, 2) == "rk") s = "RK"
  if (s == "") s = "--"
  return s
}
function church2(s) {
  if (substr(s, 1, 2) == "ev") s = "/EV"
  if (substr(s, 1, 2) == "rk") s = "/RK"
  return s
}
BEGIN { FS = ";"; ORS = "\r\n"; print (umlauts ? "KONV=1;" : "KONV=0;") }
{ sub(/\r$/, "") }
/^[0-9]/ {
  split($0, raw, ";")
  gsub(/"/, " ")
  pnr = trim($5); while (length(pnr) < 4) pnr = "0" pnr; pnr = substr(pnr, 2)
  rec = "PNr=" pnr ";Name=" trim($6) ", " trim($7) ";Str=" trim($8) ";"
  if (index(toupper(trim($16)), "DEUTSCH")) rec = rec "Staat=000;"
  rec = rec "Ort=" trim($10) " " trim($11) ";Geb=" trim($12) ";BegB=" trim($22) ";VNr=" trim($14) \
        ";Art=" trim($24) ";Kirche=" church1(trim($59)) church2(trim($60)) ";Taet=" trim($27) \
        ";BG=" trim($30) ";"
  uml = trim($31)
  if (index(uml, "1")) rec = rec "Uml=1;"
  if (index(uml, "2")) rec = rec "Uml=2;"
  pg = trim($26)
  stkl = trim(raw[52]); if ((stkl == "0" || stkl == "") && pg == "109") stkl = "EP"
  kifr = trim($54); sub(/,/, ".", kifr)
  waz = trim($122); sub(/,/, ".", waz)
  rec = rec "StKl=" stkl ";KiFr=" kifr ";PG=" pg ";"
  if (pg == "109") rec = rec "KK=19;KKU=19;"
  print rec "IdNr=" trim($51) ";WAZ=" waz ";KSt=" trim($120) ";"
}
