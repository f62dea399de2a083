#!/usr/bin/env bash
# Fails when the core library needs anything of X11, Xt, Xmu or Motif: a
# symbol that the archive uses but does not define itself, named like the
# X libraries' functions.
set -u
lib=$1
defined=$(nm --defined-only --format=posix "$lib" 2>/dev/null | awk 'NF>1 {print $1}' | sort -u)
used=$(nm --undefined-only --format=posix "$lib" 2>/dev/null | awk '{print $1}' | sort -u)
external=$(comm -23 <(echo "$used") <(echo "$defined"))
hits=$(echo "$external" | grep -E '^_?(X[A-Za-z]|Xm|Xt|Xmu|_Xm|xm[A-Z])' )
if [ -n "$hits" ]; then
  echo "libquorin needs X symbols:"
  echo "$hits"
  exit 1
fi
exit 0
