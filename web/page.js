// The page: the window's two boxes, Convert (Alt+C, F5), Copy, downloads, both directions with
// a swap between them, text files and DOCX or ODT documents opened or dropped, with the engine
// in a Web Worker so that the page keeps answering.
"use strict";

(function () {
  const kDisplayCopy = 0xF000;
  // The glyph codes the display font draws at U+F000 + code (filled in when the page is built).
  const displayCopied = new Set(LIPIMATTAM_DISPLAY_CODES);
  const kShownPerPiece = 1 << 14;  // units of the output box's pieces, at most
  const kFrameBudget = 8;          // milliseconds an animation frame spends adding pieces

  const input = document.getElementById("TextBox1");
  const output = document.getElementById("TextBox2");
  const convertButton = document.getElementById("cmdConvert");
  const direction = document.getElementById("direction");
  const chillu = document.getElementById("chillu");
  const digits = document.getElementById("digits");
  const progress = document.getElementById("progress");
  const fileBytes = document.getElementById("fileBytes");
  const status = document.getElementById("status");

  // The engine, in a worker made from the script the page carries, so that the page works
  // from a file as from any host.
  const workerSource = document.getElementById("worker-source").textContent;
  const worker = new Worker(URL.createObjectURL(new Blob([workerSource],
                                                         {type: "text/javascript"})));
  const pending = new Map();
  let nextId = 1;
  worker.onmessage = (event) => {
    const {id, progress: done, result, error} = event.data;
    const request = pending.get(id);
    if (!request) return;
    if (done) {
      if (request.onProgress) request.onProgress(done[0], done[1]);
      return;
    }
    pending.delete(id);
    if (error !== undefined) request.reject(new Error(error));
    else request.resolve(result);
  };
  function ask(kind, text, options, onProgress) {
    return new Promise((resolve, reject) => {
      const id = nextId++;
      pending.set(id, {resolve, reject, onProgress});
      worker.postMessage({id, kind, text, options});
    });
  }

  // What each direction calls things: the window's own words one way, their mirror the other.
  const kWords = {
    "to-ml-tt": {
      heading: "Convert Unicode to ML",
      caption1: "Paste Malayalam Unicode Text and click Convert Button",
      caption2: "Copy the converted Text by pressing rightmouse button",
      input: "Unicode Malayalam text",
      output: "ML-TT codes, not Malayalam text",
      inputLang: "ml",
      outputLang: "zxx",
      side: "ml-tt",
    },
    "to-unicode": {
      heading: "Convert ML to Unicode",
      caption1: "Paste text in ML-TT codes and click Convert Button",
      caption2: "Copy the Unicode Malayalam text by pressing rightmouse button",
      input: "ML-TT codes, not Malayalam text",
      output: "Unicode Malayalam text",
      inputLang: "zxx",
      outputLang: "ml",
      side: "unicode",
    },
  };

  // What the output box holds: the real units, and the text nodes that show them; which way
  // they were converted, and the name of the file they came from (without its extension).
  let outputText = "";
  let outputDirection = "to-ml-tt";
  let inputName = "";
  let shownNodes = [];  // {node, start}
  let showing = 0;      // bumped to abandon a display still being filled

  function displayUnit(unit, next, inGlyphCodes) {
    if (unit === 0x0D) return next === 0x0A ? unit : 0x0A;  // a lone CR shows as a break
    if (unit === 0x2028 || unit === 0x2029) return 0x0A;
    return inGlyphCodes && displayCopied.has(unit) ? kDisplayCopy + unit : unit;
  }

  function displayed(text, from, to, inGlyphCodes) {
    const units = new Array(to - from);
    for (let i = from; i < to; i++)
      units[i - from] = displayUnit(text.charCodeAt(i), text.charCodeAt(i + 1), inGlyphCodes);
    let shown = "";
    for (let at = 0; at < units.length; at += 8192)
      shown += String.fromCharCode.apply(null, units.slice(at, at + 8192));
    return shown;
  }

  // Where a piece of the output may end, at or before `end` and after `at`: after a line break,
  // else after a space, else between two characters, never inside a surrogate pair or before
  // a sign that belongs to the character before it.
  function pieceEnd(text, at, end) {
    if (end >= text.length) return text.length;
    const lineEnd = text.lastIndexOf("\n", end - 1);
    if (lineEnd >= at) return lineEnd + 1;
    const space = text.lastIndexOf(" ", end - 1);
    if (space >= at) return space + 1;
    const joins = /[\u0300-\u036F\u0D00-\u0D03\u0D3B-\u0D4D\u0D57\u0D62\u0D63\u200C\u200D\uDC00-\uDFFF\uFE00-\uFE0F]/;
    while (end > at + 1 && joins.test(text[end])) end--;
    return end;
  }

  // Shows `text` in pieces, as many as fit in a few milliseconds an animation frame, so that a
  // long text never stalls the page and the time grows only with its length. Each piece is a
  // block of whole lines where it can be, which the browser lays out on its own, and only when
  // it comes into view.
  function show(text, inGlyphCodes) {
    const token = ++showing;
    outputText = text;
    shownNodes = [];
    output.textContent = "";
    output.classList.toggle("glyph-codes", inGlyphCodes);
    return new Promise((resolve) => {
      let at = 0;
      const step = () => {
        if (token !== showing) return resolve();
        const started = performance.now();
        do {
          const end = pieceEnd(text, at, Math.min(text.length, at + kShownPerPiece));
          const node = document.createTextNode(displayed(text, at, end, inGlyphCodes));
          const piece = document.createElement("div");
          piece.appendChild(node);
          shownNodes.push({node, start: at});
          output.appendChild(piece);
          at = end;
        } while (at < text.length && performance.now() - started < kFrameBudget);
        if (at < text.length) requestAnimationFrame(step);
        else resolve();
      };
      requestAnimationFrame(step);
    });
  }

  // The place in the output text of a point of the selection, held to the output box: in a
  // piece's text, before or after a piece, or outside the box.
  function outputOffset(container, offset) {
    for (const {node, start} of shownNodes) {
      if (node === container) return start + offset;
      if (node.parentNode === container) return start + (offset > 0 ? node.length : 0);
    }
    if (container === output) {
      return offset < shownNodes.length ? shownNodes[offset].start : outputText.length;
    }
    const before = output.compareDocumentPosition(container) & Node.DOCUMENT_POSITION_PRECEDING;
    return before ? 0 : outputText.length;
  }

  // Copy gives the real units, never the display copy.
  document.addEventListener("copy", (event) => {
    const selection = document.getSelection();
    if (!selection || selection.rangeCount === 0 || !outputText) return;
    const range = selection.getRangeAt(0);
    if (!range.intersectsNode(output)) return;
    const from = outputOffset(range.startContainer, range.startOffset);
    const to = outputOffset(range.endContainer, range.endOffset);
    if (to <= from) return;
    event.clipboardData.setData("text/plain", outputText.slice(from, to));
    event.preventDefault();
  });

  function characters(text) {
    let count = text.length;
    for (let i = 0; i < text.length; i++) {
      const unit = text.charCodeAt(i);
      if (unit >= 0xDC00 && unit <= 0xDFFF && i > 0 && text.charCodeAt(i - 1) >= 0xD800 &&
          text.charCodeAt(i - 1) <= 0xDBFF)
        count--;
    }
    return count;
  }

  function copyAll() {
    if (!outputText) return say("Nothing to copy yet: convert a text first.");
    const selection = document.getSelection();
    selection.selectAllChildren(output);
    const copied = document.execCommand("copy");
    say(copied ? "Copied " + characters(outputText).toLocaleString("en") + " characters."
               : "The browser did not copy: select the text and press Ctrl+C.");
  }

  // What went wrong, in words: a browser that runs out of room for a text says so in its own
  // terms (an invalid string length, memory that cannot grow), which the page puts plainly.
  function plainError(error, bytes) {
    const message = error && error.message ? error.message : String(error);
    if (/string length|memory|allocation|Aborted|out of bounds/i.test(message))
      return "The text is too large for this browser to convert at once (" +
             Math.ceil(bytes / 1e6) + " MB). Convert it in parts, or use lipimattam-cli, " +
             "which takes files of any size.";
    return "The conversion failed: " + message;
  }

  function say(message) {
    status.textContent = message;
  }

  let converting = null;
  async function convert() {
    if (converting) return converting;  // a request during a pass waits for it
    const toUnicode = direction.value === "to-unicode";
    const text = input.value;
    convertButton.disabled = true;
    progress.hidden = false;
    progress.value = 0;
    document.body.classList.add("busy");
    say("");
    converting = (async () => {
      try {
        outputDirection = direction.value;
        showDocument(null);
        if (toUnicode) {
          const result = await ask("toUnicode", text, {chillu: chillu.value, digits: digits.value});
          await show(result.text, false);
          if (result.unknownCodes > 0)
            say(result.unknownCodes + " code(s) with no meaning in the ML-TT encoding were kept " +
                "as they are; the first is at " + place(text, result.firstUnknown) + ".");
        } else {
          const result = await ask("convert", text, undefined, (done, all) => {
            progress.value = done / all;
          });
          await show(result, true);
        }
        bringResultIntoView();
      } catch (error) {
        say(plainError(error, text.length * 2));
      } finally {
        progress.hidden = true;
        convertButton.disabled = false;
        document.body.classList.remove("busy");
        converting = null;
      }
    })();
    return converting;
  }

  // "line 3, column 7" for a unit of a text; lines end at LF, CR LF or a lone CR.
  function place(text, index) {
    const [line, column] = lineAndColumn(text, index);
    return "line " + line + ", column " + column;
  }

  function lineAndColumn(text, index) {
    let line = 1;
    let column = 1;
    for (let i = 0; i < index; i++) {
      const unit = text.charCodeAt(i);
      if (unit === 0x0D || (unit === 0x0A && text.charCodeAt(i - 1) !== 0x0D)) {
        line++;
        column = 1;
      } else if (unit !== 0x0A && (unit < 0xDC00 || unit > 0xDFFF)) {
        column++;
      }
    }
    return [line, column];
  }

  function download(bytes, name, type = "text/plain") {
    const link = document.createElement("a");
    link.href = URL.createObjectURL(new Blob([bytes], {type}));
    link.download = name;
    link.click();
    setTimeout(() => URL.revokeObjectURL(link.href), 1000);
  }

  // The index of the first surrogate half that stands alone in `text`, or -1.
  function loneSurrogate(text) {
    for (let i = 0; i < text.length; i++) {
      const unit = text.charCodeAt(i);
      if (unit < 0xD800 || unit > 0xDFFF) continue;
      const next = text.charCodeAt(i + 1);
      if (unit <= 0xDBFF && next >= 0xDC00 && next <= 0xDFFF) i++;
      else return i;
    }
    return -1;
  }

  function hex(unit) {
    return "U+" + unit.toString(16).toUpperCase().padStart(4, "0");
  }

  // The output as a download saves it: UTF-8, or one byte per glyph code in Windows-1252, by
  // the filter's own table (curly quotes and dashes as their bytes). What cannot be written is
  // named with its line and column, and nothing is saved.
  async function outputBytes(encoding) {
    const text = outputText;
    if (encoding === "utf-8") {
      const lone = loneSurrogate(text);
      if (lone >= 0)
        throw new Error(hex(text.charCodeAt(lone)) + " at " + place(text, lone) + " is half of " +
                        "a character, which UTF-8 cannot hold.");
      return new TextEncoder().encode(text);
    }
    const codePage = encoding === "windows-1252" ? "cp1252" : "latin1";
    const {bytes, unwritable} = await ask("encodeBytes", text, {codePage});
    if (bytes) return bytes;
    throw new Error(hex(text.codePointAt(unwritable)) + " at " + place(text, unwritable) +
                    " has no glyph code, so " +
                    (codePage === "cp1252" ? "Windows-1252" : "Latin-1") +
                    " cannot hold it; download the text as UTF-8.");
  }

  // "story-ml-tt.txt", "story-unicode.txt", "story-ml-tt-cp1252.txt": after the file the text
  // came from, or "lipimattam", and the way it was converted.
  function downloadName(encoding) {
    return (inputName || "lipimattam") + "-" + kWords[outputDirection].side +
           (encoding === "windows-1252" ? "-cp1252" : "") + ".txt";
  }

  async function downloadAs(encoding) {
    if (!outputText) return say("Nothing to download yet: convert a text first.");
    try {
      download(await outputBytes(encoding), downloadName(encoding));
    } catch (error) {
      say(error.message);
    }
  }

  // The first byte of `bytes` that does not begin a whole UTF-8 character, or -1.
  function firstInvalidUtf8(bytes) {
    for (let at = 0; at < bytes.length;) {
      const lead = bytes[at];
      if (lead < 0x80) {
        at++;
        continue;
      }
      let length = 2;
      let low = 0x80;
      let high = 0xBF;  // the range of the second byte
      if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead === 0xE0) low = 0xA0;
        if (lead === 0xED) high = 0x9F;
      } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead === 0xF0) low = 0x90;
        if (lead === 0xF4) high = 0x8F;
      } else if (lead < 0xC2 || lead > 0xDF) {
        return at;
      }
      if (at + length > bytes.length || bytes[at + 1] < low || bytes[at + 1] > high) return at;
      for (let k = 2; k < length; k++)
        if ((bytes[at + k] & 0xC0) !== 0x80) return at;
      at += length;
    }
    return -1;
  }

  // A text file's text: UTF-8, or for text in ML-TT codes one byte per code as chosen. Invalid
  // UTF-8 is named as the filter names it, and nothing is opened.
  async function textOfFile(name, bytes) {
    const encoding = direction.value === "to-unicode" ? fileBytes.value : "utf-8";
    if (encoding !== "utf-8") return ask("decodeBytes", bytes.buffer, {codePage: encoding});
    try {
      return new TextDecoder("utf-8", {fatal: true}).decode(bytes);
    } catch (error) {
      const bad = Math.max(0, firstInvalidUtf8(bytes));
      const before = new TextDecoder("utf-8").decode(bytes.subarray(0, bad));
      const [line, column] = lineAndColumn(before, before.length);
      throw new Error(name + ":" + line + ":" + column + ": invalid UTF-8 at byte offset " + bad +
                      " (byte 0x" + bytes[bad].toString(16).toUpperCase().padStart(2, "0") +
                      "); nothing was opened");
    }
  }

  function looksLikeDocument(bytes) {
    const starts = (signature) => signature.every((byte, i) => bytes[i] === byte);
    return starts([0x50, 0x4B, 0x03, 0x04]) || starts([0x50, 0x4B, 0x05, 0x06]) ||
           starts([0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1]);
  }

  function documentOptions() {
    const legacy = document.getElementById("legacyFonts").value.split(",")
                       .map((name) => name.trim()).filter((name) => name !== "");
    return {
      direction: direction.value,
      unicodeFont: document.getElementById("unicodeFont").value.trim(),
      mlTtFont: document.getElementById("mlTtFont").value.trim(),
      legacyFonts: legacy,
      chillu: chillu.value,
      digits: digits.value,
    };
  }

  // The converted document waiting to be saved, and its button; null hides it.
  let converted = null;
  function showDocument(result) {
    converted = result;
    const button = document.getElementById("cmdDownloadDocument");
    button.hidden = result === null;
    if (result) button.textContent = "Download " + result.name;
  }

  function summaryOf(name, summary, toUnicode) {
    let line = name + ": " + summary.runs.toLocaleString("en") +
               (summary.runs === 1 ? " run" : " runs") + " of text converted (" +
               summary.characters.toLocaleString("en") + " characters)";
    if (summary.fontsLeftAlone.length)
      line += "; left alone, in fonts of another encoding: " + summary.fontsLeftAlone.join(", ");
    if (summary.unknownCodes)
      line += "; " + summary.unknownCodes + " code(s) with no meaning in the ML-TT encoding kept";
    if (summary.runs === 0)
      line += toUnicode ? ". Is its text in another ML-TT font? Name it under Fonts in documents."
                        : ". To convert an ML-TT document to Unicode, choose ML-TT to Unicode.";
    return line + ".";
  }

  async function convertDocumentFile(name, bytes) {
    const options = documentOptions();
    const extension = /\.odt$/i.test(name) ? "odt" : "docx";
    say("Converting " + name + "…");
    document.body.classList.add("busy");
    try {
      const result = await ask("convertDocument", bytes.buffer, options);
      const newName = inputName + "-" + kWords[options.direction].side + "." +
                      (result.format || extension);
      showDocument({name: newName, bytes: result.document, format: result.format});
      say(summaryOf(name, result.summary, options.direction === "to-unicode"));
      bringResultIntoView();
    } catch (error) {
      showDocument(null);
      say(name + ": " + error.message + " Nothing was converted.");
    } finally {
      document.body.classList.remove("busy");
    }
  }

  // A file opened or dropped: a document converts at once and waits to be saved; a text file
  // fills the input box and converts.
  async function openFile(file) {
    let bytes;
    try {
      bytes = new Uint8Array(await file.arrayBuffer());
    } catch (error) {
      return say(file.name + ": " + plainError(error, file.size));
    }
    inputName = file.name.replace(/\.[^.]*$/, "") || "lipimattam";
    if (looksLikeDocument(bytes)) return convertDocumentFile(file.name, bytes);
    try {
      input.value = await textOfFile(file.name, bytes);
    } catch (error) {
      return say(error.message);
    }
    await convert();
  }

  // On a phone the result lies below the input: it comes into view once there is one.
  function bringResultIntoView() {
    const frame = document.getElementById("Frame2");
    if (frame.getBoundingClientRect().top > window.innerHeight * 0.5)
      frame.scrollIntoView({block: "start"});
  }

  function directionChanged() {
    const words = kWords[direction.value];
    const toUnicode = direction.value === "to-unicode";
    document.title = words.heading + " - Lipimattam";
    document.getElementById("heading").textContent = words.heading;
    document.getElementById("caption1").textContent = words.caption1;
    document.getElementById("caption2").textContent = words.caption2;
    document.getElementById("input-kind").textContent = words.input;
    document.getElementById("output-kind").textContent = words.output;
    input.lang = words.inputLang;
    output.lang = words.outputLang;
    document.body.classList.toggle("to-unicode", toUnicode);
    document.getElementById("unicode-options").hidden = !toUnicode;
    document.getElementById("cmdDownloadLatin1").hidden = toUnicode;
  }

  // The result becomes the input, and the direction turns round.
  function swap() {
    if (converting) return;
    input.value = outputText;
    direction.value = direction.value === "to-unicode" ? "to-ml-tt" : "to-unicode";
    directionChanged();
    ++showing;
    outputText = "";
    shownNodes = [];
    output.textContent = "";
    showDocument(null);
    say("The result is now the input; Convert turns it back.");
    input.focus();
  }

  convertButton.addEventListener("click", () => convert());
  document.getElementById("cmdCopy").addEventListener("click", copyAll);
  document.getElementById("cmdSwap").addEventListener("click", swap);
  document.getElementById("cmdDownloadUtf8").addEventListener("click", () => downloadAs("utf-8"));
  document.getElementById("cmdDownloadLatin1").addEventListener("click",
                                                                () => downloadAs("windows-1252"));
  document.getElementById("cmdDownloadDocument").addEventListener("click", () => {
    if (converted)
      download(converted.bytes, converted.name,
               converted.format === "odt" ? "application/vnd.oasis.opendocument.text"
                                          : "application/vnd.openxmlformats-officedocument." +
                                                "wordprocessingml.document");
  });
  const fileInput = document.getElementById("fileInput");
  document.getElementById("cmdOpen").addEventListener("click", () => fileInput.click());
  fileInput.addEventListener("change", () => {
    if (fileInput.files.length) openFile(fileInput.files[0]);
    fileInput.value = "";
  });
  document.addEventListener("dragover", (event) => {
    event.preventDefault();
    document.body.classList.add("dragging");
  });
  document.addEventListener("dragleave", () => document.body.classList.remove("dragging"));
  document.addEventListener("drop", (event) => {
    event.preventDefault();
    document.body.classList.remove("dragging");
    if (event.dataTransfer.files.length) openFile(event.dataTransfer.files[0]);
  });
  direction.addEventListener("change", directionChanged);
  directionChanged();

  // F5 converts, with any modifier keys held, instead of reloading the page; so does Alt+C.
  document.addEventListener("keydown", (event) => {
    if (event.key === "F5" || (event.altKey && event.code === "KeyC")) {
      event.preventDefault();
      convert();
    }
  });

  // Served over HTTP(S), the page can be installed as an app and opened offline: its manifest
  // and its service worker. Opened from a file it needs neither, and never asks for them.
  if (location.protocol === "https:" || location.protocol === "http:") {
    const link = document.createElement("link");
    link.rel = "manifest";
    link.href = "manifest.webmanifest";
    document.head.appendChild(link);
    if ("serviceWorker" in navigator)
      navigator.serviceWorker.register("sw.js").catch((error) => {
        console.warn("the page cannot be kept for offline use:", error);
      });
  }

  // For other pages and tests: the same conversions, and what the output box holds.
  window.lipimattam = {
    convert: (text, onProgress) => ask("convert", text, undefined, onProgress),
    toUnicode: (text, options) => ask("toUnicode", text, options || {}),
    convertDocument: (bytes, options) => ask("convertDocument", bytes, options || {}),
    output: () => outputText,
    bytes: outputBytes,
    busy: () => converting !== null || document.body.classList.contains("busy"),
  };
  input.focus();
})();
