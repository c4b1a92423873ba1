#!/usr/bin/env bash
# A book opened through the installed desktop entry, as a file manager opens
# it: `gio open` from the home folder, far from the book. Every page of a book
# made by the installed tirvelo-llibre, and of the installed sample book, must
# show; the pages are read and turned through the real AT-SPI bus on a private
# D-Bus session (tests/e2e/atspi_pages.py --every-page).
#   open_anywhere_test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$1 source=$2
[ -n "${DISPLAY:-}" ] || { echo "no X server (run inside scripts/test-env.sh)"; exit 1; }
work=$(mktemp -d /tmp/tirvelo-anywhere.XXXXXX)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1 || { cat "$work/install.log"; fail "cmake --install"; }

# The installed desktop entry and book type, registered for this user alone.
export HOME=$work/home
export XDG_CONFIG_HOME=$HOME/.config XDG_DATA_HOME=$HOME/.local/share XDG_DATA_DIRS=/usr/share
mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME/applications" "$XDG_DATA_HOME/mime/packages"
cp "$prefix/share/applications/tirvelo.desktop" "$XDG_DATA_HOME/applications/"
cp "$prefix/share/mime/packages/tirvelo-lumbrix.xml" "$XDG_DATA_HOME/mime/packages/"
update-mime-database "$XDG_DATA_HOME/mime"
update-desktop-database "$XDG_DATA_HOME/applications"
handler=$(gio mime application/x-lumbrix | sed -n 1p)
[[ $handler == *": tirvelo.desktop" ]] || fail "the book type's handler: $handler"

# A book made from a folder whose name has blanks, as in the report.
pages="$work/books/Conte del sol"
mkdir -p "$pages"
sample=$source/examples/sample
# The sample's pages, numbered in its order; a companion takes its picture's name.
page=0
for entry in $(tr -d '\r' <"$sample/Conte.Lumbrix" | tail -n +7); do
  page=$((page + 1)) picture=${entry%%#*}
  cp "$sample/$picture" "$pages/$page-$picture"
  if [[ $entry == *#* ]]; then
    companion=${entry#*#}
    cp "$sample/$companion" "$pages/$page-${picture%.*}.${companion##*.}"
  fi
done
"$prefix/bin/tirvelo-llibre" make "$pages" >"$work/make.log" || { cat "$work/make.log"; fail "make"; }
made="$pages/Conte del sol.Lumbrix"
# The check agrees with the program started from the home folder.
(cd "$HOME" && "$prefix/bin/tirvelo-llibre" check "$made") || fail "check from the home folder"

export TIRVELO_SPEECH_LIBRARY=$build/tests/engines/librecording_upctv.so TIRVELO_RECORDING_LOG=$work/engine.log
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_ACCESSIBILITY=1 NO_AT_BRIDGE=0
for book in "$made" "$prefix/share/doc/tirvelo/examples/sample/Conte.Lumbrix"; do
  echo "gio open $book, from $HOME"
  # gio leads a process group of its own, which the program it starts joins:
  # the program ends with its group.
  dbus-run-session -- bash -c '
    set -euo pipefail
    cd "$HOME"
    setsid gio open "$1" &
    launcher=$!
    trap "kill -- -$launcher 2>/dev/null || true" EXIT
    wait "$launcher"
    timeout 300 /usr/bin/python3 "$0" --every-page
  ' "$source/tests/e2e/atspi_pages.py" "$book" || fail "$book does not show every page"
done
echo "every page of both books shows when opened from the home folder"
