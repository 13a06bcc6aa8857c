# Sourced by the corpus runs of the picture formats (gif.sh, html.sh).
# check_run FILE STATUS ERR: a line "FAIL ..." when the run of FILE crashed
# (status above 1, or a signal), left a sanitizer report in ERR, or made a
# picture without its script.
check_run() {
  awk -v file="$1" -v status="$2" '
    /\[(Figure|Diagram) [0-9]+ .* WIDTH=/ { pictures++ }
    /^Left script in/ { scripts++ }
    /AddressSanitizer|runtime error:|^ *#[0-9]/ { found = found "\n" $0 }
    END {
      if (status > 1 || pictures != scripts || found != "")
        printf "FAIL %s (status %d, %d pictures, %d scripts)%s\n", file, status, pictures, scripts, found
    }' "$3"
}
export -f check_run
