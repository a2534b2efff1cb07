# Asset index files through modtools: two generated sample files are dumped
# (their dumps published beside them) and merged, and the merged file is
# dumped in turn. Sourced by run-sample.sh.
echo "== Yodrel core: dump and merge of two sample asset index files"
YODREL_OUT="$SAMPLE_DIR/yodrel"
mkdir -p "$YODREL_OUT/merged" "$YODREL_OUT/windows"
"$NATIVE_BIN/modtools_samples" asset "$YODREL_OUT"
"$NATIVE_BIN/modtools" asset dump "$YODREL_OUT/first.dat"
"$NATIVE_BIN/modtools" asset merge "$YODREL_OUT/first.dat" "$YODREL_OUT/second.dat" -o "$YODREL_OUT/merged/merged.dat"
echo "-- first lines of $YODREL_OUT/ZZZ000_Asset.txt"
head -n 10 "$YODREL_OUT/ZZZ000_Asset.txt"
"$NATIVE_BIN/modtools" asset dump "$YODREL_OUT/merged/merged.dat" --json
echo "-- first lines of $YODREL_OUT/merged/ZZZ000_Asset.txt"
head -n 4 "$YODREL_OUT/merged/ZZZ000_Asset.txt"
echo "== modtools.exe under Wine: the same merge"
cp "$YODREL_OUT/first.dat" "$YODREL_OUT/second.dat" "$YODREL_OUT/windows/"
(cd "$YODREL_OUT/windows" && wine_run "$WIN_BIN/modtools.exe" asset merge first.dat second.dat -o merged.dat) ||
  echo "modtools.exe exited with status $?"
if cmp -s "$YODREL_OUT/merged/merged.dat" "$YODREL_OUT/windows/merged.dat"; then
  echo "The native and Windows merges are identical."
else
  echo "The native and Windows merges differ."
fi
echo "Yodrel outputs (dump ZZZ000_Asset.txt, merged/merged.dat and its dump) are in $YODREL_OUT"
echo "Yodrel dialog (asset index files; under Wine on Linux; try $YODREL_OUT/first.dat and second.dat):"
echo "  start the dialog: cmake/wine-run.sh build/$WIN_BUILD/bin/Yodrel.exe"
