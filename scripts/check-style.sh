#!/usr/bin/env bash
# Checks how the code is written, without changing it: clang-format over the C++ sources,
# ESLint and Prettier over the browser UI and its tests. Each reports every file it finds
# wanting; the script fails when any of them does.
#
#   scripts/check-style.sh
#
# To mend: `clang-format -i FILE`; `tests/browser/node_modules/.bin/prettier --write
# resources/web tests/browser`; ESLint's findings by hand.
set -euo pipefail
cd "$(dirname "$0")/.."
bin=tests/browser/node_modules/.bin
if [ ! -x "$bin/eslint" ] || [ ! -x "$bin/prettier" ]; then
  echo "check-style: ESLint and Prettier are missing from tests/browser/node_modules; run scripts/setup.sh" >&2
  exit 1
fi
# The repository's .clang-format is written for clang-format 14.
clang_format=$(command -v clang-format-14 || command -v clang-format || true)
if [ -z "$clang_format" ]; then
  echo "check-style: clang-format is missing; run scripts/setup.sh" >&2
  exit 1
fi

failed=()
mapfile -t sources < <(find src tests bench fuzz -name node_modules -prune -o \
  \( -name '*.cpp' -o -name '*.hpp' -o -name '*.h' \) -print | sort)
[ ${#sources[@]} -gt 0 ] || { echo "check-style: no C++ sources found" >&2; exit 1; }
"$clang_format" --dry-run -Werror "${sources[@]}" || failed+=(clang-format)
"$bin/eslint" --config tests/browser/eslint.config.js resources/web tests/browser || failed+=(ESLint)
"$bin/prettier" --check --log-level warn resources/web tests/browser || failed+=(Prettier)

if [ ${#failed[@]} -gt 0 ]; then
  echo "check-style: ${failed[*]} found code to mend (above)" >&2
  exit 1
fi
echo "check-style: clang-format (${#sources[@]} files), ESLint and Prettier passed"
