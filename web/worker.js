// Converts off the page's thread. Takes {id, kind: "convert" | "toUnicode" | "encodeBytes", text,
// options};
// answers {id, progress: [doneUnits, allUnits]} while a long text converts, then {id, result}
// or {id, error}.
"use strict";

const enginePromise = createLipimattam();

onmessage = async (event) => {
  const {id, kind, text, options} = event.data;
  try {
    const engine = await enginePromise;
    const result = kind === "convert"
        ? engine.convert(text, (done, all) => postMessage({id, progress: [done, all]}))
        : kind === "encodeBytes" ? engine.encodeBytes(text, options.codePage)
        : engine.toUnicode(text, options);
    postMessage({id, result});
  } catch (error) {
    postMessage({id, error: String(error)});
  }
};
