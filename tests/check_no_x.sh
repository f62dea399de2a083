#!/usr/bin/env bash
# Fails when the core library refers to anything of X11, Xt, Xmu or Motif.
# Names the library defines itself (such as the run flag XManager) are no
# references to X.
set -u
lib=$1
defined=$(nm --defined-only --format=posix "$lib" 2>/dev/null | awk 'NF > 1 {print $1}' | sort -u)
hits=$(nm -u --format=posix "$lib" 2>/dev/null | awk '{print $1}' |
       grep -E '^(X[A-Z_a-z]|_?Xm|_?Xt|_?Xmu|_XmStrings|xm)' | sort -u |
       comm -23 - <(echo "$defined"))
if [ -n "$hits" ]; then
  echo "libquorin refers to X symbols:"
  echo "$hits"
  exit 1
fi
if nm --format=posix "$lib" | grep -qE '^(Xt|Xm)[A-Z]'; then
  echo "libquorin defines X toolkit symbols"
  exit 1
fi
exit 0
