// Converts off the page's thread. Takes {id, kind, text, options} (kind "convert", "toUnicode",
// "encodeBytes", "decodeBytes" or "convertDocument", whose text is the document's bytes);
// answers {id, progress: [doneUnits, allUnits]} while a long text converts, then {id, result}
// or {id, error}.
"use strict";

const enginePromise = createLipimattam();

onmessage = async (event) => {
  const {id, kind, text, options} = event.data;
  try {
    const engine = await enginePromise;
    switch (kind) {
      case "convert":
        postMessage({id, result: engine.convert(text, (done, all) => {
          postMessage({id, progress: [done, all]});
        })});
        break;
      case "encodeBytes":
        postMessage({id, result: engine.encodeBytes(text, options.codePage)});
        break;
      case "decodeBytes":
        postMessage({id, result: engine.decodeBytes(new Uint8Array(text), options.codePage)});
        break;
      case "convertDocument": {
        const result = await engine.convertDocument(text, options);
        postMessage({id, result}, [result.document.buffer]);
        break;
      }
      default:
        postMessage({id, result: engine.toUnicode(text, options)});
    }
  } catch (error) {
    postMessage({id, error: error instanceof Error ? error.message : String(error)});
  }
};
