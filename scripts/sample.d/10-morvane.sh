# Morvane on its sample configurations. Sourced by run-sample.sh.
# The W3D files are written by the project's own generator; Morvane then
# runs natively and under Wine, each in a folder of its own laid out as the
# unpacked package is (data/, samples/morvane/, out/anim/), from its top.
echo "== Morvane: writing the sample W3D files"
for where in native wine; do
  mkdir -p "$SAMPLE_DIR/morvane/$where/data"
  "$NATIVE_BIN/morvane_samples" samples "$SAMPLE_DIR/morvane/$where/data" >/dev/null
  mkdir -p "$SAMPLE_DIR/morvane/$where/samples/morvane"
  cp "$ROOT"/samples/morvane/*.cfg "$ROOT/samples/morvane/report-template.html" "$SAMPLE_DIR/morvane/$where/samples/morvane/"
  # Animation mode creates no folders: its output folder is made here.
  mkdir -p "$SAMPLE_DIR/morvane/$where/out/anim"
done
for cfg in sample.cfg sample-html.cfg sample-anim.cfg; do
  echo "== Morvane (native): $cfg"
  (cd "$SAMPLE_DIR/morvane/native" && "$NATIVE_BIN/Morvane" "samples/morvane/$cfg") || echo "Morvane exited with status $? (4: the run finished, but some entries were not written)"
  echo "== Morvane.exe under Wine: $cfg"
  (cd "$SAMPLE_DIR/morvane/wine" && wine_run "$WIN_BIN/Morvane.exe" "samples\\morvane\\$cfg") || echo "Morvane.exe exited with status $? (4: the run finished, but some entries were not written)"
done
echo "== Morvane outputs:"
echo "   native run:     build/sample/morvane/native/out (text/, html/, anim/)"
echo "   run under Wine: build/sample/morvane/wine/out (text/, html/, anim/)"
echo "   first lines of the native text report build/sample/morvane/native/out/text/unit.txt:"
head -n 12 "$SAMPLE_DIR/morvane/native/out/text/unit.txt" | sed 's/^/     /'
