# Sourced by the corpus runs of the picture formats (gif.sh, html.sh).
# Every picture script runs to its end with the netpbm tools. Where they are
# missing, stand-ins (tests/stubs/netpbm) take their place: they check the
# tiles a script names and write no real picture.
if ! command -v pnmcat > /dev/null || ! command -v ppmchange > /dev/null ||
   ! command -v pamtogif > /dev/null; then
  PATH="$(cd "$(dirname "${BASH_SOURCE[0]}")/../stubs/netpbm" && pwd):$PATH"
  export PATH
fi

# check_run FILE STATUS ERR DIR: a line "FAIL ..." when the run of FILE
# crashed (status above 1, or a signal), left a sanitizer report in ERR,
# left a script behind, or did not put a picture in DIR for every one it
# reported. The pictures are removed for the next run.
check_run() {
  local gifs
  gifs=$(find "$4" -maxdepth 1 -name '*.gif' | wc -l)
  find "$4" -maxdepth 1 -name '*.gif' -delete
  awk -v file="$1" -v status="$2" -v gifs="$gifs" '
    /\[(Figure|Diagram) [0-9]+ .* WIDTH=/ { pictures++ }
    /^Left script in/ { left++ }
    /AddressSanitizer|runtime error:|^ *#[0-9]/ { found = found "\n" $0 }
    END {
      if (status > 1 || left > 0 || pictures != gifs || found != "")
        printf "FAIL %s (status %d, %d pictures, %d made, %d scripts left)%s\n",
               file, status, pictures, gifs, left, found
    }' "$3"
}
export -f check_run
