# The scripting peer of leica2kvt: GSI-16 words to catalogue records, the
# same word splitting, unit scaling and fixed-column output done in awk.
{
  sub(/^\*/, "")
  delete v
  for (i = 1; i <= NF; i++) {
    w = $i
    idx = substr(w, 1, 2) + 0
    unit = substr(w, 6, 1)
    x = substr(w, 8) + 0
    if (substr(w, 7, 1) == "-") x = -x
    s = (unit == "0" || unit == "6") ? 1000 : (unit == "1" || unit == "7") ? 10000 : (unit == "2" || unit == "3") ? 100000 : 1
    if (idx == 11) v[11] = x; else v[idx] = x / s
  }
  if (84 in v)      printf " 2 %-12d %-10s %6.2f --  --  --  --\n", v[11], "----------", v[88]
  else if (21 in v) printf " 4 %-12d %-9s %9.4f %9.4f %6.2f %9.3f\n", v[11], "---------", v[21], v[22], v[87], v[31]
  else if (81 in v) printf " 6 %-12d %-10s %12.3f  %12.3f  %12.3f %s\n", v[11], "----------", v[81], v[82], v[83], "BENCH"
}
