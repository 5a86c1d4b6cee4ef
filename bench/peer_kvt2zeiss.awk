# The scripting peer of kvt2zeiss: catalogue point records to REC 500
# coordinate lines, the same field reformatting done in awk.
$1 == "6" {
  n++
  printf "%7d %-12s %-10s Y %12.3f X %13.3f Z %9.3f\n", n, $2, $3, $4, $5, $6
}
