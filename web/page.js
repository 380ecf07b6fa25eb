// The page: the window's two boxes, Convert (Alt+C, F5), Copy, downloads and the reverse
// direction, with the engine in a Web Worker so that the page keeps answering.
"use strict";

(function () {
  const kDisplayCopy = 0xF000;
  // The glyph codes the display font draws at U+F000 + code (filled in when the page is built).
  const displayCopied = new Set(LIPIMATTAM_DISPLAY_CODES);
  const kShownPerFrame = 1 << 14;  // units the output box lays out per animation frame

  const input = document.getElementById("TextBox1");
  const output = document.getElementById("TextBox2");
  const convertButton = document.getElementById("cmdConvert");
  const direction = document.getElementById("direction");
  const chillu = document.getElementById("chillu");
  const digits = document.getElementById("digits");
  const progress = document.getElementById("progress");
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

  // What the output box holds: the real units, and the text nodes that show them.
  let outputText = "";
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

  // Shows `text` a piece per animation frame, so that a long text never stalls the page. Each
  // piece is a block of whole lines where it can be, which the browser lays out on its own.
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
        let end = Math.min(text.length, at + kShownPerFrame);
        if (end < text.length) {
          const lineEnd = text.lastIndexOf("\n", end - 1);
          if (lineEnd >= at) end = lineEnd + 1;
        }
        const node = document.createTextNode(displayed(text, at, end, inGlyphCodes));
        const piece = document.createElement("div");
        piece.appendChild(node);
        shownNodes.push({node, start: at});
        output.appendChild(piece);
        at = end;
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

  function copyAll() {
    const selection = document.getSelection();
    selection.selectAllChildren(output);
    document.execCommand("copy");
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
      } catch (error) {
        say("The conversion failed: " + error.message);
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
    return "line " + line + ", column " + column;
  }

  function download(bytes, name) {
    const link = document.createElement("a");
    link.href = URL.createObjectURL(new Blob([bytes], {type: "text/plain"}));
    link.download = name;
    link.click();
    setTimeout(() => URL.revokeObjectURL(link.href), 1000);
  }

  // The output as a download saves it: UTF-8, or one byte per glyph code in Windows-1252, by
  // the filter's own table (curly quotes and dashes as their bytes). A unit with no byte: the
  // reason is thrown instead.
  async function outputBytes(encoding) {
    if (encoding === "utf-8") return new TextEncoder().encode(outputText);
    const codePage = encoding === "windows-1252" ? "cp1252" : "latin1";
    const text = outputText;
    const {bytes, unwritable} = await ask("encodeBytes", text, {codePage});
    if (bytes) return bytes;
    const point = text.codePointAt(unwritable).toString(16).toUpperCase().padStart(4, "0");
    throw new Error("U+" + point + " at " + place(text, unwritable) + " has no glyph code, " +
                    "so " + (codePage === "cp1252" ? "Windows-1252" : "Latin-1") +
                    " cannot hold it; download the text as UTF-8.");
  }

  async function downloadAs(encoding) {
    try {
      download(await outputBytes(encoding), "lipimattam.txt");
    } catch (error) {
      say(error.message);
    }
  }

  function directionChanged() {
    const toUnicode = direction.value === "to-unicode";
    document.body.classList.toggle("to-unicode", toUnicode);
    document.getElementById("unicode-options").hidden = !toUnicode;
    document.getElementById("cmdDownloadLatin1").hidden = toUnicode;
  }

  convertButton.addEventListener("click", () => convert());
  document.getElementById("cmdCopy").addEventListener("click", copyAll);
  document.getElementById("cmdDownloadUtf8").addEventListener("click", () => downloadAs("utf-8"));
  document.getElementById("cmdDownloadLatin1").addEventListener("click",
                                                                () => downloadAs("windows-1252"));
  direction.addEventListener("change", directionChanged);
  directionChanged();

  // F5 converts, with any modifier keys held, instead of reloading the page; so does Alt+C.
  document.addEventListener("keydown", (event) => {
    if (event.key === "F5" || (event.altKey && event.code === "KeyC")) {
      event.preventDefault();
      convert();
    }
  });

  // For other pages and tests: the same conversions, and what the output box holds.
  window.lipimattam = {
    convert: (text, onProgress) => ask("convert", text, undefined, onProgress),
    toUnicode: (text, options) => ask("toUnicode", text, options || {}),
    output: () => outputText,
    bytes: outputBytes,
    busy: () => converting !== null,
  };
  input.focus();
})();
