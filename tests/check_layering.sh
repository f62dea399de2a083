#!/usr/bin/env bash
# Checks the include lines of the sources against the layering of the
# subsystems: a folder may include the public headers (inc/) of its own rank
# and below, never another folder's private headers, and X or Motif headers
# only in src/interface and src/display.
set -u
root=$1
cd "$root" || exit 2

# Rank of each folder, lowest first; folders of one rank may use each other.
rank_of() {
  case $1 in
    common|datastructures) echo 0 ;;
    techc) echo 1 ;;
    cifc|gdsc|designrule) echo 2 ;;
    view) echo 3 ;;
    event) echo 4 ;;
    cs) echo 5 ;;
    extract) echo 6 ;;
    parasitic) echo 7 ;;
    inductor|capacitor|resistor|via) echo 8 ;;
    faultex) echo 9 ;;
    yield) echo 10 ;;
    # Symmetry detection works on the resizer's gate boxes and the resizer
    # on the symmetry it found: one rank.
    checksym|hierarchy|substrate|synthesisrule|updatesize|squeeze|compact) echo 14 ;;
    callback) echo 20 ;;
    init) echo 21 ;;
    interface|display|batch|main) echo 30 ;;
    abstractor) echo 99 ;;
    *) echo -1 ;;
  esac
}

# Folder that owns a public header.
owner_of() {
  case $1 in
    Dglobal.h|Dlayout.h) echo common ;;
    Dlist.h) echo datastructures ;;
    DTtechnology.h) echo techc ;;
    Dcif.h) echo cifc ;;
    Dgds.h) echo gdsc ;;
    DRdesignrule.h) echo designrule ;;
    Dview.h) echo view ;;
    Devent.h) echo event ;;
    CS.h) echo cs ;;
    DEextract.h) echo extract ;;
    DPparasitic.h) echo parasitic ;;
    LXinductor.h) echo inductor ;;
    CXcapacitor.h) echo capacitor ;;
    RXresistor.h) echo resistor ;;
    VCvia.h) echo via ;;
    DFfault.h) echo faultex ;;
    DYyield.h) echo yield ;;
    DSsymmetry.h) echo checksym ;;
    DHhierarchy.h) echo hierarchy ;;
    SBsubstrate.h) echo substrate ;;
    DSYrule.h) echo synthesisrule ;;
    DUsize.h) echo updatesize ;;
    SQsqueeze.h|SQrecords.h) echo squeeze ;;
    SYsynthesis.h) echo synthesisrule ;;
    Dcompact.h) echo compact ;;
    Dmenu.h) echo callback ;;
    Dinit.h) echo init ;;
    Ddisplay.h) echo display ;;
    Dinterface.h) echo interface ;;
    *) echo "" ;;
  esac
}

errors=0
report() { echo "$1"; errors=$((errors + 1)); }

check_file() {  # file folder
  local file=$1 folder=$2 rank header owner
  rank=$(rank_of "$folder")
  while IFS= read -r header; do
    case $header in
      \<X11/*|\<Xm/*)
        case $folder in interface|display) ;; *) report "$file: X header $header outside src/interface and src/display" ;; esac
        continue ;;
      \<*) continue ;;
    esac
    header=${header#\"}
    header=${header%\"}
    if [ -f "inc/$header" ]; then
      owner=$(owner_of "$header")
      if [ -z "$owner" ]; then
        report "$file: inc/$header has no owner in tests/check_layering.sh"
        continue
      fi
      if [ "$folder" = abstractor ]; then
        report "$file: subpyxis must not use the core header $header"
      elif [ "$(rank_of "$owner")" -gt "$rank" ]; then
        report "$file: $folder may not include $header of $owner (higher in the layering)"
      fi
      continue
    fi
    case $header in */*) report "$file: include by path $header" ;; esac
    if [ ! -f "$(dirname "$file")/$header" ]; then
      report "$file: $header is neither public nor private to $folder"
    fi
  done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*\([<"][^>"]*[>"]\).*/\1/p' "$file")
}

for file in $(find src -name '*.cpp' -o -name '*.h' | sort); do
  rel=${file#src/}
  case $rel in */*) folder=${rel%%/*} ;; *) folder=main ;; esac
  if [ "$(rank_of "$folder")" = -1 ]; then
    report "$file: folder $folder has no rank in tests/check_layering.sh"
    continue
  fi
  check_file "$file" "$folder"
done
for file in inc/*.h; do
  owner=$(owner_of "$(basename "$file")")
  [ -z "$owner" ] && { report "$file: no owner in tests/check_layering.sh"; continue; }
  check_file "$file" "$owner"
done

if [ "$errors" -gt 0 ]; then
  echo "$errors layering error(s)"
  exit 1
fi
exit 0
