#!/bin/sh
# /usr/bin/tarvolin from the .deb: starts the program in its folder. The
# program keeps tv.ini and files.cfg beside itself, in /opt/tarvolin.
exec /opt/tarvolin/tarvolin "$@"
