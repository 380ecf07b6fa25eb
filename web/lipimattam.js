// The Lipimattam engine in WebAssembly, over JavaScript strings (UTF-16, unit for unit).
//
//   const engine = await createLipimattam();
//   engine.convert(text, onProgress)  -> the text in the codes of ML-TTRevathi: each glyph
//       code as the character of the same value (U+0000..U+00FF), other characters unchanged;
//       onProgress(doneUnits, allUnits) is called between pieces of a long text.
//   engine.toUnicode(codes, {chillu: "atomic" | "sequence", digits: "ascii" | "malayalam"})
//       -> {text, unknownCodes, firstUnknown}: text in the encoding back as Unicode Malayalam.
//   engine.decodeBytes(bytes, "latin1" | "cp1252") -> the text that one byte per glyph code
//       stands for, by the filter's table.
//   await engine.convertDocument(bytes, {direction: "to-unicode" | "to-ml-tt", unicodeFont,
//       mlTtFont, legacyFonts: [names], chillu, digits})
//       -> {document: Uint8Array, format: "docx" | "odt", summary: {runs, characters,
//          unknownCodes, fontsLeftAlone}}: a DOCX or ODT file converted as lipimattam-cli
//          converts it; a fault rejects with a DocumentError that names the entry.
//
// createLipimattamEngine, the WebAssembly module, and zip.js must be loaded first.
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

  // Copies bytes into the module's memory; the caller frees the returned pointer.
  function writeBytes(bytes) {
    const pointer = module._malloc(Math.max(1, bytes.length));
    module.HEAPU8.set(bytes, pointer);
    return pointer;
  }

  const utf8 = new TextEncoder();

  function readCString(pointer) {
    const bytes = module.HEAPU8;
    let end = pointer;
    while (bytes[end] !== 0) end++;
    return new TextDecoder().decode(bytes.subarray(pointer, end));
  }

  // The output as a string. The browser's UTF-16 decoder is fastest, but it would replace a
  // surrogate half that stands alone: output with any surrogate is read unit by unit.
  const utf16 = new TextDecoder("utf-16le");
  function readOutput() {
    const first = module._lipimattam_output() >> 1;
    const length = module._lipimattam_output_length();
    const units = module.HEAPU16.subarray(first, first + length);
    let surrogates = 0;
    for (let i = 0; i < length; i++) surrogates |= (units[i] & 0xF800) === 0xD800 ? 1 : 0;
    if (!surrogates) return utf16.decode(units);
    const pieces = [];
    for (let at = 0; at < length; at += 8192)
      pieces.push(String.fromCharCode.apply(null, units.subarray(at, Math.min(length, at + 8192))));
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

    decodeBytes(bytes, codePage) {
      const first = module._lipimattam_units_of_bytes(codePage === "cp1252" ? 1 : 0) >> 1;
      const units = module.HEAPU16.slice(first, first + 256);
      const pieces = [];
      for (let at = 0; at < bytes.length; at += 8192) {
        const piece = bytes.subarray(at, at + 8192);
        pieces.push(String.fromCharCode.apply(null, Array.from(piece, (byte) => units[byte])));
      }
      return pieces.join("");
    },

    async convertDocument(bytes, options = {}) {
      const data = new Uint8Array(bytes);
      const ole = [0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1];
      if (ole.every((byte, i) => data[i] === byte))
        throw new DocumentError("", "an encrypted document or a Word 97-2003 (.doc) file; " +
                                    "save it as an unencrypted .docx or .odt and convert that");
      const zip = readZip(data);
      for (const entry of zip.entries)
        if (entry.flags & 1)
          throw new DocumentError(entry.name,
                                  "encrypted; remove the password and convert the document again");
      const byName = new Map(zip.entries.map((entry) => [entry.name, entry]));
      const call = (fn, ...texts) => {
        const pointers = texts.map((text) => utf8.encode(text)).map((b) => [writeBytes(b), b.length]);
        try {
          return fn(...pointers.flat());
        } finally {
          for (const [pointer] of pointers) module._free(pointer);
        }
      };
      const give = async (name) => {
        const part = await readEntry(zip, byName.get(name));
        const pointer = writeBytes(part);
        try {
          call((n, nl) => module._lipimattam_document_part(n, nl, pointer, part.length), name);
        } finally {
          module._free(pointer);
        }
      };
      module._lipimattam_document_begin();
      for (const entry of zip.entries) call(module._lipimattam_document_entry, entry.name);
      // The XML entries first; the library says if it wants others, and then it runs again.
      for (const entry of zip.entries)
        if (/(\.xml|\.rels|^mimetype)$/.test(entry.name)) await give(entry.name);
      const fonts = (options.legacyFonts || []).join("\n");
      let status;
      let report;
      for (let round = 0; round <= zip.entries.length; round++) {
        status = call((u, ul, m, ml, l, ll) => module._lipimattam_document_convert(
                          options.direction === "to-ml-tt" ? 0 : 1, u, ul, m, ml, l, ll,
                          options.chillu === "sequence" ? 1 : 0,
                          options.digits === "malayalam" ? 1 : 0),
                      options.unicodeFont || "", options.mlTtFont || "", fonts);
        report = JSON.parse(readCString(module._lipimattam_document_report()));
        if (status !== 2) break;
        for (const name of report.wanted) await give(name);
      }
      if (status !== 0) {
        const error = report.error || {part: "", byteOffset: null, message: "internal error"};
        throw new DocumentError(error.part, error.message, error.byteOffset);
      }
      const changed = new Map();
      report.changed.forEach((name, index) => {
        const first = module._lipimattam_document_changed_bytes(index);
        const length = module._lipimattam_document_changed_length(index);
        changed.set(name, module.HEAPU8.slice(first, first + length));
      });
      return {document: await writeZip(zip, changed), format: report.format,
              summary: report.summary};
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

if (typeof module !== "undefined") module.exports = {createLipimattam, createLipimattamEngine};
