// The engine as the page runs it (WebAssembly, under node) against the native engine, on the
// same generated text: both directions, in M units (or codes) a second.
//   node bench/web_engine.js build/release/web/page/lipimattam.js TEXT.txt
"use strict";

const fs = require("fs");
const {createLipimattam, createLipimattamEngine} =
    require(require("path").resolve(process.argv[2]));

function rate(units, run) {
  run();  // once to warm up
  let rounds = 0;
  const started = process.hrtime.bigint();
  let seconds = 0;
  do {
    run();
    rounds++;
    seconds = Number(process.hrtime.bigint() - started) / 1e9;
  } while (seconds < 2);
  return (units * rounds) / seconds / 1e6;
}

(async () => {
  const engine = await createLipimattam();
  const text = fs.readFileSync(process.argv[3], "utf8").replace(/\r\n/g, "\n");
  const codes = engine.convert(text);
  const forward = rate(text.length, () => engine.convert(text));
  const reverse = rate(codes.length, () => engine.toUnicode(codes));
  // The engine alone, on text already in its memory: what WebAssembly itself costs.
  const module = await createLipimattamEngine();
  const place = (string) => {
    const pointer = module._malloc(string.length * 2);
    for (let i = 0; i < string.length; i++) module.HEAPU16[(pointer >> 1) + i] = string.charCodeAt(i);
    return pointer;
  };
  const textAt = place(text);
  const codesAt = place(codes);
  const engineForward = rate(text.length, () => {
    module._lipimattam_begin(text.length);
    module._lipimattam_add(textAt, text.length);
    module._lipimattam_finish();
  });
  const engineReverse = rate(codes.length, () => module._lipimattam_to_unicode(codesAt, codes.length,
                                                                             0, 0));
  console.log(JSON.stringify({forward, reverse, engineForward, engineReverse}));
})();
