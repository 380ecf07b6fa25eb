// The Lipimattam engine in WebAssembly, over JavaScript strings (UTF-16, unit for unit).
//
//   const engine = await createLipimattam();
//   engine.convert(text, onProgress)  -> the text in the codes of ML-TTRevathi: each glyph
//       code as the character of the same value (U+0000..U+00FF), other characters unchanged;
//       onProgress(doneUnits, allUnits) is called between pieces of a long text.
//   engine.toUnicode(codes, {chillu: "atomic" | "sequence", digits: "ascii" | "malayalam"})
//       -> {text, unknownCodes, firstUnknown}: text in the encoding back as Unicode Malayalam.
//
// createLipimattamEngine, the WebAssembly module, must be loaded first.
"use strict";

async function createLipimattam() {
  const module = await createLipimattamEngine();
  const kPiece = 1 << 16;

  // Copies `text` into the module's memory; the caller frees the returned pointer.
  function write(text) {
    const pointer = module._malloc(Math.max(1, text.length) * 2);
    const units = module.HEAPU16;  // taken after malloc, which may grow the memory
    const first = pointer >> 1;
    for (let i = 0; i < text.length; i++) units[first + i] = text.charCodeAt(i);
    return pointer;
  }

  function readOutput() {
    const first = module._lipimattam_output() >> 1;
    const length = module._lipimattam_output_length();
    const units = module.HEAPU16;
    const pieces = [];
    for (let at = 0; at < length; at += 8192)
      pieces.push(String.fromCharCode.apply(null, units.subarray(first + at,
                                                                first + Math.min(length, at + 8192))));
    return pieces.join("");
  }

  return {
    convert(text, onProgress) {
      const pointer = write(text);
      try {
        module._lipimattam_begin(text.length);
        for (let at = 0; at < text.length; at += kPiece) {
          const length = Math.min(kPiece, text.length - at);
          module._lipimattam_add(pointer + 2 * at, length);
          if (onProgress) onProgress(at + length, text.length);
        }
        module._lipimattam_finish();
        return readOutput();
      } finally {
        module._free(pointer);
      }
    },

    // The text as bytes of a code page ("latin1" or "cp1252"), by the filter's table:
    // {bytes} or, when a unit has no byte, {unwritable: its index}.
    encodeBytes(text, codePage) {
      const pointer = write(text);
      const bytes = module._malloc(Math.max(1, text.length));
      try {
        const unwritable = module._lipimattam_encode_bytes(pointer, text.length,
                                                           codePage === "cp1252" ? 1 : 0, bytes);
        if (unwritable >= 0) return {unwritable};
        return {bytes: module.HEAPU8.slice(bytes, bytes + text.length)};
      } finally {
        module._free(bytes);
        module._free(pointer);
      }
    },

    toUnicode(codes, options = {}) {
      const pointer = write(codes);
      try {
        module._lipimattam_to_unicode(pointer, codes.length, options.chillu === "sequence" ? 1 : 0,
                                      options.digits === "malayalam" ? 1 : 0);
        return {
          text: readOutput(),
          unknownCodes: module._lipimattam_unknown_codes(),
          firstUnknown: module._lipimattam_first_unknown(),
        };
      } finally {
        module._free(pointer);
      }
    },
  };
}

if (typeof module !== "undefined") module.exports = {createLipimattam};
