#!/usr/bin/env bash
# Fails when a source file includes a header of a higher layer, or when the
# layers below KestromCore's interface part include a header of Qt Widgets or
# Qt D-Bus. Needs no build: it reads the #include lines.
#
#   tools/check-layers.sh [ROOT]
set -euo pipefail
root=${1:-$(cd "$(dirname "$0")/.." && pwd)}
cd "$root"

# Folders, lowest first; folders on one line form one layer and may include
# each other. A file belongs to the longest folder that holds it, so a
# library's tests sit in its layer; folders in no layer (fuzz/, benchmarks/)
# may include anything.
layers=(
  "platform"
  "transport/model"
  "transport/dari"
  "model"
  "imaging/gpu"
  "imaging/print"
  # KestromCore's widget-free part; its tests link it alone.
  "core/document core/mathparser"
  # KestromCore's interface part.
  "core/canvas"
  "core/inspector"
  "core/window"
  "core/scripting"
  "core/launch"
  # These test programs link the whole library: they may drive the windows
  # through the application's delegate.
  "core/canvas/tests core/inspector/tests core/window/tests core/scripting/tests core/launch/tests"
  "app"
)
# The highest layer that must do without widgets and the session bus.
widget_free_top="core/document"

# Inside a library, its folders by concern, lowest first: a folder includes
# only its own and lower ones. Readers and helpers that several folders use
# sit in the lowest of them. A library's tests may include any of its folders.
folders=(
  "model: texts errors units parameters pictures descriptions connections columns"
  "core/document: job package runs application"
)

table=$(
  rank=0
  for layer in "${layers[@]}"; do
    for folder in $layer; do
      printf '%s %d\n' "$folder" "$rank"
    done
    rank=$((rank + 1))
  done
)

# The class headers of Qt Widgets and Qt D-Bus (<QWidget>, <QDBusConnection>),
# where Qt's headers are installed; <QtWidgets/...> is caught without them.
qt_headers=""
for module in QtWidgets QtDBus; do
  for dir in /usr/include/*/qt6/"$module" /usr/include/qt6/"$module"; do
    if [ -d "$dir" ]; then
      qt_headers+=$(find "$dir" -maxdepth 1 -type f -name 'Q*' ! -name '*.h' -printf '%f ')
    fi
  done
done

if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  list_sources() { git ls-files -z --cached --others --exclude-standard -- '*.h' '*.cpp'; }
else
  list_sources() { find . -path ./build -prune -o -type f \( -name '*.h' -o -name '*.cpp' \) -printf '%P\0'; }
fi

inner=$(
  for entry in "${folders[@]}"; do
    library=${entry%%:*}
    rank=0
    for folder in ${entry#*:}; do
      printf '%s/%s %d\n' "$library" "$folder" "$rank"
      rank=$((rank + 1))
    done
  done
)

list_sources |
  xargs -0 -r grep -HnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*["<][^">]+[">]' |
  awk -v table="$table" -v inner="$inner" -v widgetFreeTop="$widget_free_top" \
      -v qtHeaders="$qt_headers" '
    BEGIN {
      n = split(table, rows, "\n")
      for (i = 1; i <= n; i++) {
        split(rows[i], f, " ")
        rank[f[1]] = f[2]
      }
      n = split(inner, rows, "\n")
      for (i = 1; i <= n; i++) {
        split(rows[i], f, " ")
        innerRank[f[1]] = f[2]
      }
      n = split(qtHeaders, names, " ")
      for (i = 1; i <= n; i++) {
        interfaceOnly[names[i]] = 1
      }
    }
    # The longest layer folder that holds path, or "".
    function layerOf(path,    best, folder) {
      best = ""
      for (folder in rank) {
        if (index(path, folder "/") == 1 && length(folder) > length(best)) {
          best = folder
        }
      }
      return best
    }
    # The library folder by concern that holds path, or "".
    function folderOf(path,    folder) {
      for (folder in innerRank) {
        if (index(path, folder "/") == 1) {
          return folder
        }
      }
      return ""
    }
    # The library of a folder by concern: all but its last part.
    function libraryOf(folder) {
      sub(/\/[^\/]+$/, "", folder)
      return folder
    }
    {
      # file:line:text
      colon = index($0, ":")
      file = substr($0, 1, colon - 1)
      rest = substr($0, colon + 1)
      colon = index(rest, ":")
      line = substr(rest, 1, colon - 1)
      text = substr(rest, colon + 1)
      match(text, /["<][^">]+[">]/)
      header = substr(text, RSTART + 1, RLENGTH - 2)
      from = layerOf(file)
      if (from == "") {
        next
      }
      if (rank[from] <= rank[widgetFreeTop] &&
          (header ~ /^Qt(Widgets|DBus)\// || header in interfaceOnly)) {
        printf "%s:%s: includes %s: %s does without widgets and the session bus\n",
               file, line, header, from
        bad++
        next
      }
      to = layerOf(header)
      if (to != "" && rank[to] > rank[from]) {
        printf "%s:%s: includes %s: %s is above %s\n", file, line, header, to, from
        bad++
        next
      }
      fromFolder = folderOf(file)
      toFolder = folderOf(header)
      if (fromFolder != "" && toFolder != "" &&
          libraryOf(fromFolder) == libraryOf(toFolder) &&
          innerRank[toFolder] > innerRank[fromFolder]) {
        printf "%s:%s: includes %s: %s is above %s\n", file, line, header, toFolder, fromFolder
        bad++
      }
    }
    END {
      if (bad) {
        printf "check-layers: %d include(s) across the layers\n", bad
        exit 1
      }
      print "check-layers: clean"
    }'
