// The document benchmark's work done by two peer CRDT libraries, for the ratios printed by
// bench_doc: a list of 10,000 profiles built one change per profile, saved, loaded, 1,000
// single-field edits as separate changes, a merge of two replicas with 1,000 concurrent edits
// each, and the saved size. The data matches tests/doc/profiles.hpp exactly.
// Prints KEY=VALUE lines (milliseconds, kilobytes).
import { createRequire } from "node:module";
import { performance } from "node:perf_hooks";

const require = createRequire(process.env.DOC_PEERS_DIR + "/");
const Y = require("yjs");

const PROFILES = 10000;
const EDITS = 1000;
const M64 = (1n << 64n) - 1n;

function uuidFor(n) {
  const hex = "0123456789abcdef";
  let x = (BigInt(n) * 0x9E3779B97F4A7C15n + 12345n) & M64;
  let out = "";
  for (let i = 0; i < 32; i++) {
    if (i === 8 || i === 12 || i === 16 || i === 20) out += "-";
    x ^= x >> 29n;
    x = (x * 0xBF58476D1CE4E5B9n) & M64;
    x ^= x >> 32n;
    let c = hex[Number(x & 15n)];
    if (i === 12) c = "4";
    if (i === 16) c = hex[8 + Number(x & 3n)];
    out += c;
  }
  return out;
}

const kinds = ["SSH", "VNC", "RDP", "Vexa"];
const auths = ["Password", "Public key", "Password", "Device identity"];
const presences = ["online", "offline", "unknown"];
function sampleProfile(n) {
  return {
    id: uuidFor(n),
    name: "Server " + n,
    host: "host" + n + ".example.net",
    port: n % 4 === 1 ? 5900 : 22,
    user: n % 3 === 0 ? "admin" : "ops",
    kind: kinds[n % 4],
    auth: auths[n % 4],
    last_used: n % 5 === 0 ? "Never" : "2026-11-" + (10 + (n % 20)),
    presence: presences[n % 3],
    group: "Group " + (n % 10),
    favorite: n % 7 === 0,
  };
}
const profiles = Array.from({ length: PROFILES }, (_, i) => sampleProfile(i));
const editedId = (i) => profiles[(i * 7) % PROFILES].id;

function time(f) {
  const start = performance.now();
  const result = f();
  return [performance.now() - start, result];
}

function best(runs, f) {
  let ms = Infinity;
  let result;
  for (let i = 0; i < runs; i++) {
    const [t, r] = time(f);
    if (t < ms) [ms, result] = [t, r];
  }
  return [ms, result];
}

// Automerge through its core API (the document object of its wasm backend), the fastest way it
// offers to make one change per profile.
function automerge() {
  const core = require(process.env.DOC_PEERS_DIR +
    "/node_modules/@automerge/automerge/dist/mjs/wasm_bindgen_output/nodejs/automerge_wasm.cjs");
  const [build, built] = time(() => {
    const doc = core.create();
    const conns = doc.putObject("_root", "connections", {});
    doc.commit();
    for (const p of profiles) {
      const m = doc.putObject(conns, p.id, {});
      const name = doc.putObject(m, "name", "");
      doc.splice(name, 0, 0, p.name);
      doc.put(m, "host", p.host, "str");
      doc.put(m, "port", p.port, "uint");
      doc.put(m, "user", p.user, "str");
      doc.put(m, "kind", p.kind, "str");
      doc.put(m, "auth", p.auth, "str");
      doc.put(m, "last_used", p.last_used, "str");
      doc.put(m, "presence", p.presence, "str");
      doc.put(m, "group", p.group, "str");
      doc.put(m, "favorite", p.favorite, "boolean");
      doc.commit();
    }
    return doc;
  });
  const [save, bytes] = best(3, () => built.save());
  const [load, loaded] = best(3, () => core.load(bytes));
  const edit = (doc, id, value) => {
    const conns = doc.getWithType("_root", "connections")[1];
    doc.put(doc.getWithType(conns, id)[1], "host", value, "str");
    doc.commit();
  };
  const [edits] = time(() => {
    for (let i = 0; i < EDITS; i++) edit(loaded, editedId(i), `edited${i}.example.net`);
  });
  const left = core.load(bytes), right = core.load(bytes);
  for (let i = 0; i < EDITS; i++) {
    edit(left, editedId(i), `left${i}`);
    edit(right, editedId(i + 3), `right${i}`);
  }
  const [merge] = time(() => left.merge(right));
  return { build, save, load, edits, merge, size: bytes.length / 1000 };
}

function yjs() {
  const fill = (doc) => {
    const conns = doc.getMap("connections");
    for (const p of profiles) {
      doc.transact(() => {
        const m = new Y.Map();
        conns.set(p.id, m);
        m.set("name", new Y.Text(p.name));
        for (const k of ["host", "port", "user", "kind", "auth", "last_used", "presence", "group", "favorite"]) {
          m.set(k, p[k]);
        }
      });
    }
    return doc;
  };
  const [build, built] = time(() => fill(new Y.Doc()));
  const [save, bytes] = best(3, () => Y.encodeStateAsUpdate(built));
  const loadOne = () => { const d = new Y.Doc(); Y.applyUpdate(d, bytes); return d; };
  const [load, loaded] = best(3, loadOne);
  const edit = (doc, i, id, value) => doc.transact(() => doc.getMap("connections").get(id).set("host", value));
  const [edits] = time(() => { for (let i = 0; i < EDITS; i++) edit(loaded, i, editedId(i), `edited${i}.example.net`); });
  const left = loadOne(), right = loadOne();
  for (let i = 0; i < EDITS; i++) {
    edit(left, i, editedId(i), `left${i}`);
    edit(right, i, editedId(i + 3), `right${i}`);
  }
  const [merge] = time(() => Y.applyUpdate(left, Y.encodeStateAsUpdate(right, Y.encodeStateVector(left))));
  return { build, save, load, edits, merge, size: bytes.length / 1000 };
}

for (const [name, run] of [["AUTOMERGE", automerge], ["YJS", yjs]]) {
  const r = run();
  console.log(`${name}_BUILD_MS=${r.build.toFixed(2)}`);
  console.log(`${name}_SAVE_MS=${r.save.toFixed(2)}`);
  console.log(`${name}_LOAD_MS=${r.load.toFixed(2)}`);
  console.log(`${name}_EDITS_MS=${r.edits.toFixed(2)}`);
  console.log(`${name}_MERGE_MS=${r.merge.toFixed(2)}`);
  console.log(`${name}_SIZE_KB=${r.size.toFixed(1)}`);
}
