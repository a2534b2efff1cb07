# Morvane on the sample configuration. Sourced by run-sample.sh.
echo "== Morvane: sample configuration samples/morvane/sample.cfg"
mkdir -p "$SAMPLE_DIR/morvane"
cp "$ROOT/samples/morvane/sample.cfg" "$SAMPLE_DIR/morvane/"
(cd "$SAMPLE_DIR/morvane" && "$NATIVE_BIN/Morvane" sample.cfg) || echo "Morvane exited with status $?"
echo "== Morvane.exe under Wine, same configuration"
(cd "$SAMPLE_DIR/morvane" && wine_run "$WIN_BIN/Morvane.exe" sample.cfg) || echo "Morvane.exe exited with status $?"
