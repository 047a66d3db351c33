#!/bin/sh
# A session bus of a test's own: privatebus.sh DIR [SERVICEDIR...]
# Runs dbus-daemon in the foreground (end it to end the bus) with a
# configuration file in DIR that lists only the service folders given, never
# the machine's: a portal or file manager installed on the machine cannot
# start on it. Prints the bus's address as the first line on standard output.
# Services it starts get this script's environment: set the private XDG
# folders before running it.
set -eu
dir=$1
shift
mkdir -p "$dir"
xml() { printf '%s' "$1" | sed 's/&/\&amp;/g; s/</\&lt;/g; s/>/\&gt;/g'; }
{
  echo '<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"'
  echo ' "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">'
  echo '<busconfig>'
  echo '  <type>session</type>'
  echo "  <listen>unix:dir=$(xml "$dir")</listen>"
  echo '  <auth>EXTERNAL</auth>'
  for services in "$@"; do echo "  <servicedir>$(xml "$services")</servicedir>"; done
  echo '  <policy context="default"><allow send_destination="*" eavesdrop="true"/><allow eavesdrop="true"/><allow own="*"/></policy>'
  echo '</busconfig>'
} >"$dir/bus.conf"
exec dbus-daemon --config-file="$dir/bus.conf" --nofork --print-address=1
