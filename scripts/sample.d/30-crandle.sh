# Crandle's archive core through modtools on a sample tree: collect it into a
# BIG archive, list it, extract it again and compare. Sourced by run-sample.sh.
echo "== Crandle: a sample tree collected into a BIG archive, listed, extracted and compared"
CRANDLE_DIR="$SAMPLE_DIR/crandle"
mkdir -p "$CRANDLE_DIR"
(
  cd "$CRANDLE_DIR"
  "$NATIVE_BIN/modtools_samples" tree tree 60 3000000
  "$NATIVE_BIN/modtools" big create tree -o sample.big
  "$NATIVE_BIN/modtools" big list sample.big > listing.txt
  echo "listing: $(wc -l < listing.txt) entries in $CRANDLE_DIR/listing.txt; the first three:"
  head -3 listing.txt
  "$NATIVE_BIN/modtools" big extract sample.big -C extracted
  if diff -r tree extracted > /dev/null; then
    echo "extracted tree is identical to the sample tree"
  else
    echo "extracted tree DIFFERS from the sample tree"
  fi
  echo "== modtools.exe under Wine extracts the same archive"
  if wine_run "$WIN_BIN/modtools.exe" big extract sample.big -C extracted-win; then
    if diff -r tree extracted-win > /dev/null; then
      echo "Windows extraction is identical to the sample tree"
    else
      echo "Windows extraction DIFFERS from the sample tree"
    fi
  else
    echo "modtools.exe exited with status $?"
  fi
) || echo "Crandle sample failed with status $?"
echo "Crandle outputs: $CRANDLE_DIR (tree, sample.big, listing.txt, extracted, extracted-win)"
echo "Crandle dialog (BIG archives; under Wine on Linux; try $CRANDLE_DIR/sample.big, or Create from $CRANDLE_DIR/tree):"
echo "  start the dialog: cmake/wine-run.sh build/$WIN_BUILD/bin/Crandle.exe"
