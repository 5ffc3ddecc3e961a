#!/bin/bash
# The group policy templates are well-formed, offer every value the program reads under its
# policy key, and each language has every text and presentation the .admx refers to.
set -euo pipefail
cd "$(dirname "$0")/../.."
admx=installer/policy/QelmoraKeyTool.admx
xmllint --noout "$admx" installer/policy/*/QelmoraKeyTool.adml
# The sources that open the policy key name each value they read in a constant kNameValue.
values=$(grep -rl --include='*.cpp' 'Software\\\\Policies\\\\Qelmora' app device pages keylib log |
  xargs sed -nE 's/.*k[A-Za-z]+Value\[\] = "([^"]+)".*/\1/p')
[[ -n $values ]] || { echo "no policy value found in the sources" >&2; exit 1; }
status=0
for value in $values; do
  grep -q "valueName=\"$value\"" "$admx" || { echo "$admx lacks $value" >&2; status=1; }
done
for adml in installer/policy/*/QelmoraKeyTool.adml; do
  for id in $(grep -oE '\$\((string|presentation)\.[A-Za-z0-9_]+\)' "$admx" | sed -E 's/.*\.(.*)\)/\1/'); do
    grep -q "id=\"$id\"" "$adml" || { echo "$adml lacks $id" >&2; status=1; }
  done
done
exit $status
