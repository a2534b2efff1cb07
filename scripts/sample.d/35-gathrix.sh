# Gathrix's folder scanner through modtools on the sample tree of the Crandle
# piece, once without and once with a filter. Sourced by run-sample.sh.
echo "== Gathrix: scanning the sample tree"
GATHRIX_DIR="$SAMPLE_DIR/gathrix"
mkdir -p "$GATHRIX_DIR"
if [ -d "$SAMPLE_DIR/crandle/tree" ]; then
  (
    cd "$SAMPLE_DIR/crandle"
    "$NATIVE_BIN/modtools" scan tree --sizes --folders > "$GATHRIX_DIR/all.txt"
    "$NATIVE_BIN/modtools" scan tree --sizes --filter "*.ini;*.str" > "$GATHRIX_DIR/filtered.txt"
    echo "unfiltered: $(wc -l < "$GATHRIX_DIR/all.txt") files and folders"
    echo "filter *.ini;*.str: $(wc -l < "$GATHRIX_DIR/filtered.txt") files"
    head -3 "$GATHRIX_DIR/filtered.txt"
    echo "== modtools.exe under Wine, same filter"
    wine_run "$WIN_BIN/modtools.exe" scan tree --sizes --filter "*.ini;*.str" > "$GATHRIX_DIR/filtered-win.txt" \
      && echo "Windows: $(wc -l < "$GATHRIX_DIR/filtered-win.txt") files" \
      || echo "modtools.exe exited with status $?"
  ) || echo "Gathrix sample failed with status $?"
else
  echo "no sample tree (the Crandle piece did not run)"
fi
echo "Gathrix outputs: $GATHRIX_DIR (all.txt, filtered.txt, filtered-win.txt)"
echo "Gathrix dialog (folder scans; under Wine on Linux; try $SAMPLE_DIR/crandle/tree with the filter *.ini;*.str):"
echo "  start the dialog: cmake/wine-run.sh build/$WIN_BUILD/bin/Gathrix.exe"
