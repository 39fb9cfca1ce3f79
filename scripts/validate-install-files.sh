#!/usr/bin/env bash
# Checks the installed desktop entry, AppStream description and manual page:
#   validate-install-files.sh DESKTOP METAINFO MANPAGE
# Fails on any validator error and on any groff warning.
set -euo pipefail
desktop=$1 metainfo=$2 manpage=$3
desktop-file-validate "$desktop"
appstreamcli validate --no-net "$metainfo"
warnings=$(LC_ALL=C.UTF-8 groff -ww -man -Tutf8 -z "$manpage" 2>&1)
if [[ -n "$warnings" ]]; then
    echo "groff warnings in $manpage:" >&2
    echo "$warnings" >&2
    exit 1
fi
