# Sourced by the benchmark scripts that time whole commands.
# measure LABEL COMMAND...: prints "LABEL  seconds  peak MB" from
# /usr/bin/time -v; the command's output goes to $work/out, and a failing
# command ends the script with what it printed. $work: a scratch folder;
# $label_width: the label column (default 28).
measure() {
    local label=$1
    shift
    /usr/bin/time -v "$@" >"$work/out" 2>"$work/time" || { cat "$work/out" "$work/time" >&2; exit 1; }
    local seconds kb
    seconds=$(awk -F': ' '/Elapsed \(wall clock\)/ { n = split($2, t, ":"); s = 0; for (i = 1; i <= n; i++) s = s * 60 + t[i]; print s }' "$work/time")
    kb=$(awk -F': ' '/Maximum resident set size/ { print $2 }' "$work/time")
    printf "%-${label_width:-28}s %7.2f s %8.0f MB\n" "$label" "$seconds" "$((kb / 1024))"
}
