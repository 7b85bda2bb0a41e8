#!/usr/bin/env bash
# Installs the peer CRDT libraries under the build folder (once) and prints their figures as
# KEY=VALUE lines for bench_doc. Usage: peers.sh BUILD_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
peers=$1/doc-peers
mkdir -p "$peers"
if [ ! -d "$peers/node_modules/@automerge/automerge" ] || [ ! -d "$peers/node_modules/yjs" ]; then
  npm install --prefix "$peers" --no-audit --no-fund --silent @automerge/automerge@3 yjs@13 >&2
fi
DOC_PEERS_DIR=$peers node "$here/doc_peers.mjs"
