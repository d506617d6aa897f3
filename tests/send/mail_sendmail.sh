#!/bin/bash
# Stand-in for the local sendmail in the mail tests. It logs each start, keeps
# a copy of the message it was given, then does what the file "behaviour"
# beside it says: deliver (msmtp to the test SMTP server), keep, fail or hang
# (with a child of its own, which must not outlive it).
set -euo pipefail
PATH=/usr/bin:/bin
export PATH
here=$(dirname "$0")
echo "$$ $*" >> "$here/starts.log"
cat > "$here/message-$$.eml"
behaviour=$(cat "$here/behaviour" 2>/dev/null || true)
case "$behaviour" in
  keep) exit 0 ;;
  fail) exit 1 ;;
  hang) sleep 600 & echo "$!" > "$here/child-$$"; wait; exit 0 ;;
esac
exec /usr/bin/msmtp -C "$here/msmtprc" --read-envelope-from "$@" < "$here/message-$$.eml"
