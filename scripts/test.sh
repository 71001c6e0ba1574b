#!/usr/bin/env bash
# Installs what is missing, builds the dev configuration (ASan+UBSan, warnings as errors),
# runs every test, then the demo as a smoke test.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
export QT_QPA_PLATFORM=offscreen

cmake --preset dev >/dev/null
cmake --build --preset dev -j "$(nproc)"

# The suite runs under an Italian locale when one is installed: decimal commas there must
# never leak into stored files, part programs or parsed numbers.
TEST_LOCALE=C.UTF-8
if locale -a 2>/dev/null | grep -qi '^it_IT\.utf-\?8$'; then TEST_LOCALE=it_IT.UTF-8; fi
# The tests that drive windows (dialogs, modal boxes, timers) run twice in a row, so that one
# that passes only by luck of timing shows here and not later on a sound change: the labels
# config, job, app and views, and the label layout wizard's tests (suites Wizard*).
GUI_LABELS='^(config|job|app|views)$'
WIZARD_TESTS='^Wizard[A-Za-z]*[.]'
echo "test: running the suite with LC_ALL=${TEST_LOCALE}"
LC_ALL=${TEST_LOCALE} ctest --test-dir build/dev --output-on-failure -j "$(nproc)" \
    -LE "${GUI_LABELS}" -E "${WIZARD_TESTS}"
echo "test: the window-driven tests, twice in a row"
LC_ALL=${TEST_LOCALE} ctest --test-dir build/dev --output-on-failure -j "$(nproc)" \
    -L "${GUI_LABELS}" --repeat until-fail:2
LC_ALL=${TEST_LOCALE} ctest --test-dir build/dev --output-on-failure -j "$(nproc)" \
    -R "${WIZARD_TESTS}" --repeat until-fail:2

if [ -x scripts/demo.sh ] && [ "${BRELON_SKIP_DEMO:-0}" != "1" ]; then
    echo "test: demo smoke run"
    bash scripts/demo.sh
fi
