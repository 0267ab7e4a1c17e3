# The SBS employee table as KDIMPORT.TXT records, for comparison with kdimport-cli.
# Usage: mawk -v umlauts=1 -f sbs.awk Tabelle2929.csv > KDIMPORT.TXT
BEGIN { FS = ";"; ORS = "\r\n"; print (umlauts ? "KONV=1;" : "KONV=0;") }
{ sub(/\r$/, "") }
/^[0-9]/ {
  staat = $21; if (staat == "0") staat = "000"
  stkl = $13; if (stkl == "0") stkl = "EP"
  pg = $27; if (pg == "900") pg = "000"
  bg = $28; if (bg == "0") bg = "0000"
  print "PNr=" $2 ";Name=" $3 ", " $4 ";Str=" $5 ";Ort=" $6 " " $7 ";Staat=" staat ";Geb=" $8 \
        ";BegB=" $12 ";VNr=" $23 ";Taet=" $20 ";StKl=" stkl ";KiFr=" $24 ";PG=" pg ";BG=" bg \
        ";IdNr=" $32 ";"
}
