#!/bin/sh
# The man pages as they are installed: every footer names the project's version, and every
# example line that is a JSON object parses.
# Usage: tests/install/manpages.sh STAGE_DIR VERSION   (STAGE_DIR holds the configured pages)
set -eu
stage=$1 version=$2
status=0
examples=0
for page in "$stage"/*.1; do
    head -n 1 "$page" | grep -q "\"zteditor $version\"" ||
        { echo "$page: the footer does not name zteditor $version" >&2; status=1; }
    # Roff escapes the hyphen; a JSON example stands on a line of its own.
    for line in $(sed -n 's/\\-/-/g; /^{/p' "$page" | tr ' ' '\001'); do
        examples=$((examples + 1))
        printf '%s\n' "$line" | tr '\001' ' ' | python3 -m json.tool >/dev/null ||
            { echo "$page: not JSON: $line" | tr '\001' ' ' >&2; status=1; }
    done
done
[ "$examples" -gt 0 ] || { echo "no JSON example in $stage/*.1" >&2; status=1; }
exit $status
