#!/usr/bin/env bash
# The report page of the sample run in a real browser: headless Chromium
# renders it to a PNG and dumps its DOM with a log of its network requests.
# The page must load nothing from outside itself (checked in its text, in
# the browser's network log, and against a page that does load something,
# so the check is seen to work) and must show the verdict.
#   tests/browser/report_page_test.sh BUILD_DIR [--update-docs]
# --update-docs copies the screenshot to docs/report-page.png. Exit 77
# (skipped) only when Chromium is not installed.
set -euo pipefail
cd "$(dirname "$0")/../.."
build=$1
docs=${2:-}

if ! command -v chromium >/dev/null; then
  echo "SKIPPED: chromium is not installed (scripts/install-deps.sh installs it)"
  exit 77
fi

scratch=$(mktemp -d /tmp/vaxo_report_page.XXXXXX)
trap 'rm -rf "$scratch"' EXIT
fail() {
  echo "FAILED: $*"
  exit 1
}

# The sample run writes its report beside its log.
cp -r sample/old sample/new "$scratch/"
mkdir -p "$scratch/drive_c/zel/roboter/log"
code=0
VAXO_DRIVE_C="$scratch/drive_c" "$build/bin/upgrade_vaxo" "$scratch/old|$scratch/new" \
  </dev/null >/dev/null 2>&1 || code=$?
[ "$code" = 2 ] || fail "the sample run ended with $code, not 2"
page="$scratch/drive_c/zel/roboter/log/Upgrade_vaxo.html"
[ -s "$page" ] || fail "no report beside the log"

# Nothing in the page points outside it.
grep -q "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; style-src 'unsafe-inline'; img-src data:\">" "$page" ||
  fail "no content security policy"
! grep -q '://' "$page" || fail "the page names an address: $(grep -o '[a-z]*://[^" ]*' "$page" | head -1)"
! grep -qi 'src=\|@import\|url(' "$page" || fail "the page loads a resource"
outside=$(grep -o 'href="[^"]*"' "$page" | grep -v '^href="#' || true)
[ -z "$outside" ] || fail "a link leaves the page: $outside"

browser() {
  local profile
  profile=$(mktemp -d "$scratch/profile.XXXXXX")
  chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
    --disable-background-networking --disable-component-update --disable-sync \
    --user-data-dir="$profile" --window-size=1000,900 "$@" 2>/dev/null
}
# Requests the page made: the browser's own carry the initiator
# "not an origin", a page's its origin ("null" for a file).
page_requests() { grep -o '"initiator":"[^"]*"' "$1" | grep -v '"not an origin"' || true; }

printf '<html><body><img src="http://127.0.0.1:9/x.png">x</body></html>' >"$scratch/control.html"
browser --log-net-log="$scratch/control.json" --dump-dom "file://$scratch/control.html" >/dev/null
[ -n "$(page_requests "$scratch/control.json")" ] ||
  fail "the network log does not show a page's request: the check below would prove nothing"

browser --log-net-log="$scratch/net.json" --dump-dom "file://$page" >"$scratch/dom.html"
requests=$(page_requests "$scratch/net.json")
[ -z "$requests" ] || fail "the page made requests: $requests"
verdict="CHECK: finished with exit code 2; 5 of 6 data files written, 1 not upgraded"
grep -q "<h1>$verdict</h1>" "$scratch/dom.html" || fail "the rendered page does not show the verdict"
grep -q '<th>needs a look</th><th>left behind$' "$scratch/dom.html" ||
  fail "the table of files has no \"left behind\" column"
grep -q 'R1 \$CONFIG\.DAT</a></td><td>upg-file missing</td><td>.*</td><td>not upgraded</td><td>1 value$' \
  "$scratch/dom.html" || fail "the row of R1 \$CONFIG.DAT does not show its one value left behind"
grep -q '<b>\$SPEED_LIMIT=</b>' "$scratch/dom.html" && grep -q '  old \$SPEED_LIMIT=250' "$scratch/dom.html" &&
  grep -q '  new \$SPEED_LIMIT=200' "$scratch/dom.html" ||
  fail "the fold of R1 \$CONFIG.DAT does not show the old and the new line"

browser --screenshot="$scratch/page.png" "file://$page" >/dev/null
colours=$(identify -format '%k' "$scratch/page.png")
[ "$colours" -gt 20 ] || fail "the screenshot is blank ($colours colours)"
# The verdict's band on the left is amber (exit code 2).
band=$(identify -format '%[pixel:p{24,100}]' "$scratch/page.png")
[ "$band" = "srgb(217,154,30)" ] || fail "no amber verdict band in the screenshot ($band)"

if [ "$docs" = --update-docs ]; then
  cp "$scratch/page.png" docs/report-page.png
  echo "docs/report-page.png updated"
fi
echo "report page: no request of its own, verdict shown, screenshot $colours colours"
