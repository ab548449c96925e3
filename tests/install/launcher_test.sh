# The package's launcher: the first start copies the program into ~/Platoris and starts it
# there; after an upgrade it copies the new version and keeps Data and Sprav byte for byte;
# an upgrade that was killed half-way is completed at the next start.
. "$(dirname "$0")/lib.sh"

opt="$work/opt"
home="$work/home"
user="$home/Platoris"
elsewhere="$work/elsewhere"
mkdir -p "$home" "$elsewhere"
cmake --install "$build" --prefix "$opt" >/dev/null
cmake --install "$build" --prefix "$opt" --component launcher >/dev/null
[ -x "$opt/launcher" ] || fail "the launcher was not installed"
export QT_QPA_PLATFORM=offscreen

runs_users_copy() {
  [ "$(readlink "/proc/$1/exe" 2>/dev/null)" = "$(readlink -f "$user/platoris")" ]
}

# Starts the launcher from another folder and waits until it has become the user's program.
launch() {
  wait_for_no_other_copy
  (cd "$elsewhere" && HOME="$home" exec "$opt/launcher") &
  pid=$!
  started+=("$pid")
  wait_for "the launcher did not start the program in $user" runs_users_copy "$pid"
}

same_program() {
  diff -r --exclude=Data --exclude=Sprav --exclude=launcher "$opt" "$user" ||
    fail "$user does not hold the installed program"
}

# ---- first start ---------------------------------------------------------------------------
launch
same_program
wait_for "the program made no reference folder in $user" test -d "$user/Sprav"
end_program "$pid"
[ ! -e "$user/launcher" ] || fail "the launcher copied itself"
[ -z "$(ls -A "$elsewhere")" ] || fail "something was written into the folder started from"

# A day as the program leaves it.
mkdir -p "$user/Data/2024/01/02"
cp "$opt"/Template/Data/* "$user/Data/2024/01/02/"
data=$(digests "$user" Data Sprav)

# ---- an upgrade --------------------------------------------------------------------------
mkdir -p "$opt/Help"
printf '<html>new</html>' >"$opt/Help/New.html"
echo "platoris upgrade 1" >"$opt/.platoris-version"
launch
end_program "$pid"
same_program
[ "$(digests "$user" Data Sprav)" = "$data" ] || fail "the upgrade changed Data or Sprav"

# ---- an upgrade killed half-way ------------------------------------------------------------
# What a copy killed while putting things in place leaves: no stamp, a folder put aside, a
# half-written file in the staging folder.
echo "platoris upgrade 2" >"$opt/.platoris-version"
rm "$user/.platoris-version"
mv "$user/Template" "$user/.platoris-old-Template"
mkdir -p "$user/.platoris-staging"
head -c 1000 "$opt/platoris" >"$user/.platoris-staging/platoris"
launch
end_program "$pid"
same_program
[ -z "$(cd "$user" && ls -d .platoris-staging .platoris-old-* 2>/dev/null)" ] ||
  fail "the completed upgrade left its scratch folders"
[ "$(digests "$user" Data Sprav)" = "$data" ] || fail "completing the upgrade changed Data or Sprav"
echo "passed"
