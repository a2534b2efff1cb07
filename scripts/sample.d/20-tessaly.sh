# String tables: a generated sample table is listed, exported without two of
# its labels, and appended to from samples/tessaly/append.cfg. Sourced by
# run-sample.sh.
echo "== Tessaly core: sample string table"
TESSALY_OUT="$SAMPLE_DIR/tessaly"
mkdir -p "$TESSALY_OUT"
"$NATIVE_BIN/CsfTool" sample "$TESSALY_OUT"
cp "$ROOT/samples/tessaly/append.cfg" "$TESSALY_OUT/append.cfg"
"$NATIVE_BIN/CsfTool" list "$TESSALY_OUT/sample.csf" "$TESSALY_OUT/sample-listing.txt"
cat -v "$TESSALY_OUT/sample-listing.txt"
"$NATIVE_BIN/CsfTool" export "$TESSALY_OUT/sample.csf" "$TESSALY_OUT/exported.csf" 1 2
"$NATIVE_BIN/CsfTool" append "$TESSALY_OUT/sample.csf" "$TESSALY_OUT/append.cfg"
"$NATIVE_BIN/CsfTool" list "$TESSALY_OUT/NEW_sample.csf" "$TESSALY_OUT/NEW_sample-listing.txt"
echo "== CsfTool.exe under Wine: listing of the same table"
(cd "$TESSALY_OUT" && wine_run "$WIN_BIN/CsfTool.exe" list sample.csf sample-listing-windows.txt) ||
  echo "CsfTool.exe exited with status $?"
echo "Tessaly outputs (table, listings, export, NEW_ copy) are in $TESSALY_OUT"
echo "Tessaly dialog (string tables; under Wine on Linux; try $TESSALY_OUT/sample.csf):"
echo "  start the dialog: cmake/wine-run.sh build/$WIN_BUILD/bin/Tessaly.exe"
