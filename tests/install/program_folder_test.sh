# `cmake --install` lays out a complete program folder anywhere; the installed program,
# started from another folder, opens a day; installing a newer build over it (the user's way,
# with the desktop entry, and plain `cmake --install`) keeps Data and Sprav byte for byte; a
# folder that cannot be written is refused with a clear message and nothing to start.
. "$(dirname "$0")/lib.sh"

prog="$work/Мои программы/Platoris"
cmake --install "$build" --prefix "$prog" >/dev/null

for file in platoris RAR.EXE tabletool platoris.png .platoris-version \
    Template/Data/DayData.DBF Template/Data/DayData.MDX Template/Data/StartMoney.dbf \
    Template/Sprav/Const.db Template/Sprav/KindList.DBF; do
  [ -f "$prog/$file" ] || fail "the program folder lacks $file"
done
diff -r "$build/platoris/Template" "$prog/Template" || fail "the templates differ from the build's"
if [ -d "$build/platoris/Help" ]; then
  diff -r "$build/platoris/Help" "$prog/Help" || fail "the help pages differ from the build's"
fi
[ ! -e "$prog/Data" ] && [ ! -e "$prog/Sprav" ] || fail "the install made a data folder"

# ---- the installed program opens a day ------------------------------------------------------
# The date dialog takes a real key press, so this run has a screen of its own.
Xvfb -displayfd 3 -nolisten tcp -screen 0 1024x768x24 3>"$work/display" 2>/dev/null &
started+=($!)
wait_for "Xvfb did not start" test -s "$work/display"
export DISPLAY=":$(head -1 "$work/display")"

elsewhere="$work/elsewhere"
mkdir -p "$elsewhere"

# The window of a process whose title begins with the given text (the program's name
# follows it), if it shows within ten seconds.
window_of() {
  local pid=$1 title=$2
  for _ in $(seq 100); do
    for window in $(xdotool search --pid "$pid" 2>/dev/null); do
      if [[ "$(xdotool getwindowname "$window" 2>/dev/null)" == "$title"* ]]; then
        echo "$window"
        return 0
      fi
    done
    sleep 0.1
  done
  return 1
}

day_opened() {
  local tables=("$prog"/Data/*/*/*/StartMoney.dbf)
  [ -f "${tables[0]}" ] && [ -f "$(dirname "${tables[0]}")/DayData.DBF" ] &&
    "$prog/tabletool" dump "${tables[0]}" 2>/dev/null | grep -q '<Income>'
}

opened=no
for attempt in 1 2 3; do
  wait_for_no_other_copy
  (cd "$elsewhere" && exec "$prog/platoris") &
  pid=$!
  started+=("$pid")
  # Unless another copy started meanwhile and the guard refused this one, the program asks
  # for the day; Enter takes today.
  if dialog=$(window_of "$pid" "Выбор текущей даты"); then
    xdotool windowfocus --sync "$dialog" key Return
    wait_for "the day did not open" day_opened
    end_program "$pid"
    opened=yes
    break
  fi
  end_program "$pid"
done
[ "$opened" = yes ] || fail "the installed program never asked for the day"
[ -d "$prog/Sprav" ] || fail "the program made no reference folder beside itself"
[ -z "$(ls -A "$elsewhere")" ] || fail "the program wrote into the folder it was started from"

# ---- a newer build over it --------------------------------------------------------------------
data=$(digests "$prog" Data Sprav)
printf 'older' >"$prog/RAR.EXE"
printf 'older' >>"$prog/Template/Sprav/Const.db"
rm "$prog/tabletool"

XDG_DATA_HOME="$work/xdg" bash "$source_dir/packaging/install-program-folder" "$build" "$prog" >/dev/null
cmake --install "$build" --prefix "$work/reference" --strip >/dev/null
same_as_build() {
  diff -r --exclude=Data --exclude=Sprav --exclude=.platoris-source "$work/reference" "$prog" ||
    fail "$1 is not the build's"
}
same_as_build "the new install"
[ "$(digests "$prog" Data Sprav)" = "$data" ] || fail "installing changed Data or Sprav"
diff -r "$work/reference" "$prog/.platoris-source" --exclude=launcher || fail "the kept program is not the build's"

entry="$work/xdg/applications/platoris.desktop"
desktop-file-validate "$entry" || fail "the desktop entry is not valid"
grep -qxF "Exec=\"$prog/.platoris-source/launcher\" \"$prog\"" "$entry" ||
  fail "the desktop entry does not start the launcher: $(grep Exec "$entry")"
grep -qxF "Icon=$prog/platoris.png" "$entry" || fail "the desktop entry shows another picture"
grep -qx 'Name=Платорис' "$entry" && grep -qx 'Categories=Office;Finance;' "$entry" ||
  fail "the desktop entry lacks its name or categories"

# ---- a reinstall killed while it put the new files in place ------------------------------------
# What it leaves: no stamp, a folder put aside, an old file not yet replaced. The menu entry
# completes the program from the kept one before it starts it.
rm "$prog/.platoris-version"
mv "$prog/Template" "$prog/.platoris-old-Template"
printf 'older' >"$prog/RAR.EXE"
wait_for_no_other_copy
(cd "$elsewhere" && QT_QPA_PLATFORM=offscreen exec "$prog/.platoris-source/launcher" "$prog") &
pid=$!
started+=("$pid")
runs_installed() { [ "$(readlink "/proc/$1/exe" 2>/dev/null)" = "$(readlink -f "$prog/platoris")" ]; }
wait_for "the menu entry did not start the program in $prog" runs_installed "$pid"
end_program "$pid"
same_as_build "the program the menu entry completed"
[ "$(digests "$prog" Data Sprav)" = "$data" ] || fail "completing the install changed Data or Sprav"

cmake --install "$build" --prefix "$prog" >/dev/null
[ "$(digests "$prog" Data Sprav)" = "$data" ] || fail "cmake --install changed Data or Sprav"

# ---- a folder that cannot be written ------------------------------------------------------------
printf 'a file' >"$work/file"
target="$work/file/Platoris"
if XDG_DATA_HOME="$work/xdg-refused" bash "$source_dir/packaging/install-program-folder" "$build" "$target" \
    >/dev/null 2>"$work/refused"; then
  fail "installing below a file succeeded"
fi
grep -qF "$target" "$work/refused" || fail "the refusal does not name the folder: $(cat "$work/refused")"
[ ! -e "$work/xdg-refused/applications/platoris.desktop" ] || fail "a refused install wrote a desktop entry"
if cmake --install "$build" --prefix "$target" >/dev/null 2>"$work/refused"; then
  fail "cmake --install below a file succeeded"
fi
grep -q "Cannot write the program folder" "$work/refused" || fail "cmake --install gave no clear message"
echo "passed"
