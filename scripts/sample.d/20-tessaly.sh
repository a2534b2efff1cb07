# String tables: a generated sample table is listed, exported without two of
# its labels, appended to from samples/tessaly/append.cfg, and taken through
# its text form and back. Sourced by run-sample.sh.
echo "== Tessaly core through modtools: sample string table"
TESSALY_OUT="$SAMPLE_DIR/tessaly"
mkdir -p "$TESSALY_OUT"
"$NATIVE_BIN/modtools_samples" csf "$TESSALY_OUT"
cp "$ROOT/samples/tessaly/append.cfg" "$TESSALY_OUT/append.cfg"
"$NATIVE_BIN/modtools" csf list "$TESSALY_OUT/sample.csf" | tee "$TESSALY_OUT/sample-listing.txt"
"$NATIVE_BIN/modtools" csf export "$TESSALY_OUT/sample.csf" -o "$TESSALY_OUT/exported.csf" --drop GUI:Quit GUI:Options
"$NATIVE_BIN/modtools" csf append "$TESSALY_OUT/sample.csf" "$TESSALY_OUT/append.cfg"
"$NATIVE_BIN/modtools" csf list "$TESSALY_OUT/NEW_sample.csf" > "$TESSALY_OUT/NEW_sample-listing.txt"
"$NATIVE_BIN/modtools" csf to-text "$TESSALY_OUT/sample.csf" -o "$TESSALY_OUT/sample.csf.txt"
"$NATIVE_BIN/modtools" csf from-text "$TESSALY_OUT/sample.csf.txt" -o "$TESSALY_OUT/from-text.csf"
if cmp -s "$TESSALY_OUT/sample.csf" "$TESSALY_OUT/from-text.csf"; then
  echo "the text form (sample.csf.txt) gives the table back byte for byte"
else
  echo "the table built from its text form DIFFERS"
fi
echo "== modtools.exe under Wine: the same table through its text form"
(cd "$TESSALY_OUT" && wine_run "$WIN_BIN/modtools.exe" csf to-text sample.csf -o sample-windows.txt &&
  wine_run "$WIN_BIN/modtools.exe" csf from-text sample-windows.txt -o from-text-windows.csf &&
  cmp sample.csf from-text-windows.csf && echo "Windows round trip identical") ||
  echo "modtools.exe exited with status $?"
echo "Tessaly outputs (table, listings, export, NEW_ copy, text form) are in $TESSALY_OUT"
echo "Tessaly dialog (string tables; under Wine on Linux; try $TESSALY_OUT/sample.csf):"
echo "  start the dialog: cmake/wine-run.sh build/$WIN_BUILD/bin/Tessaly.exe"
