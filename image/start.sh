#!/bin/sh
# Starts the terminal's program: the one last downloaded from the competition
# server (put in place by take-update) when there is one, else the installed
# package's. Installing the package again sets a downloaded one aside.
downloaded=/var/lib/kalventrix/kalventrix
[ -x "$downloaded" ] && exec "$downloaded" "$@"
exec /usr/lib/kalventrix/kalventrix "$@"
