#!/bin/sh
# Writes the manual page of tarnelo-cli (roff) from the program's own --help, so the two never disagree.
# Usage: cli-manpage.sh PATH-TO-TARNELO-CLI
set -eu
cli=$1
version=$("$cli" --version | sed 's/^tarnelo-cli //')
"$cli" --help | LC_ALL=C awk -v version="$version" '
function esc(s) {
    gsub(/\\/, "\\e", s)
    gsub(/-/, "\\-", s)
    if (s ~ /^[.'"'"']/) s = "\\&" s
    return s
}
function flush() {
    if (pending != "") { print esc(pending); pending = "" }
}
NR == 1 {
    summary = $0
    sub(/\.$/, "", summary)
    print ".TH TARNELO\\-CLI 1 \"\" \"tarnelo-cli " version "\" \"User Commands\""
    print ".SH NAME"
    print "tarnelo\\-cli \\- " esc(tolower(substr(summary, 1, 1)) substr(summary, 2))
    next
}
/^Usage: / {
    print ".SH SYNOPSIS"
    print ".B tarnelo\\-cli"
    print esc(substr($0, length("Usage: tarnelo-cli ") + 1))
    print ".SH DESCRIPTION"
    print esc(summary) "."
    next
}
/^Options:$/ { flush(); print ".SH OPTIONS"; next }
/^Commands:$/ { flush(); print ".SH COMMANDS"; next }
/^tarnelo-cli / { flush(); print ".SS \"" esc($0) "\""; next }
/^  [A-Za-z]+:$/ { flush(); sub(/^ +/, ""); print ".PP"; print ".I " esc($0); next }
/^                    +[^ ]/ { sub(/^ +/, ""); pending = pending " " $0; next }
/^(   +[^ ]|  -)/ {
    flush()
    line = $0
    sub(/^ +/, "", line)
    name = line; text = ""
    if (match(line, /  +/)) { name = substr(line, 1, RSTART - 1); text = substr(line, RSTART + RLENGTH) }
    print ".TP"
    print ".B " esc(name)
    pending = text
    next
}
/^  [^ ]/ { flush(); sub(/^ +/, ""); print esc($0); next }
/^$/ { flush(); next }
{
    flush()
    if (!tail) { print ".SH \"EXIT STATUS\""; tail = 1 }
    print esc($0)
}
END { flush(); print ".SH \"SEE ALSO\""; print ".BR tarnelo (1),"; print ".BR ffmpeg (1)" }
'
