// The zip container of a DOCX or ODT document, read and written with the browser's own
// compression streams: entries are listed from the central directory, unpacked on demand, and
// a new archive is written with the changed entries packed anew and every other entry's packed
// bytes copied as they were, in the same order (an ODT's `mimetype` stays first and stored).
"use strict";

// A fault of the document, named by its entry ("" for the archive as a whole).
class DocumentError extends Error {
  constructor(part, message, byteOffset = null) {
    super((part ? part + ": " : "") + (byteOffset !== null ? "byte offset " + byteOffset + ": "
                                                            : "") + message);
    this.part = part;
    this.byteOffset = byteOffset;
    this.detail = message;
  }
}

const kMaxPartBytes = 2 ** 30;  // no part of a real document comes near this; a zip bomb would

const crcTable = (() => {
  const table = new Uint32Array(256);
  for (let n = 0; n < 256; n++) {
    let c = n;
    for (let k = 0; k < 8; k++) c = c & 1 ? 0xEDB88320 ^ (c >>> 1) : c >>> 1;
    table[n] = c >>> 0;
  }
  return table;
})();

function crc32(bytes) {
  let crc = 0xFFFFFFFF;
  for (let i = 0; i < bytes.length; i++) crc = crcTable[(crc ^ bytes[i]) & 0xFF] ^ (crc >>> 8);
  return (crc ^ 0xFFFFFFFF) >>> 0;
}

async function throughStream(bytes, stream) {
  const piped = new Blob([bytes]).stream().pipeThrough(stream);
  return new Uint8Array(await new Response(piped).arrayBuffer());
}

// The archive's entries in the order of its central directory. Throws a DocumentError for
// anything that is not a whole, readable ZIP archive.
function readZip(bytes) {
  const view = new DataView(bytes.buffer, bytes.byteOffset, bytes.byteLength);
  const broken = (why) => new DocumentError("", "not a valid ZIP archive (" + why + ")");
  let end = -1;
  for (let at = bytes.length - 22; at >= Math.max(0, bytes.length - 22 - 0xFFFF); at--) {
    if (view.getUint32(at, true) === 0x06054B50) {
      end = at;
      break;
    }
  }
  if (end < 0) throw broken("no end of central directory");
  let count = view.getUint16(end + 10, true);
  let directorySize = view.getUint32(end + 12, true);
  let directoryAt = view.getUint32(end + 16, true);
  const commentLength = view.getUint16(end + 20, true);
  const comment = bytes.slice(end + 22, end + 22 + commentLength);
  if (count === 0xFFFF || directorySize === 0xFFFFFFFF || directoryAt === 0xFFFFFFFF) {
    const locator = end - 20;
    if (locator < 0 || view.getUint32(locator, true) !== 0x07064B50) throw broken("ZIP64 end lost");
    const record = Number(view.getBigUint64(locator + 8, true));
    if (record + 56 > bytes.length || view.getUint32(record, true) !== 0x06064B50)
      throw broken("ZIP64 end lost");
    count = Number(view.getBigUint64(record + 32, true));
    directorySize = Number(view.getBigUint64(record + 40, true));
    directoryAt = Number(view.getBigUint64(record + 48, true));
  }
  if (directoryAt + directorySize > bytes.length) throw broken("the central directory is cut off");
  const names = new TextDecoder("utf-8");
  const entries = [];
  let at = directoryAt;
  for (let i = 0; i < count; i++) {
    if (at + 46 > bytes.length || view.getUint32(at, true) !== 0x02014B50)
      throw broken("a broken central directory");
    const nameLength = view.getUint16(at + 28, true);
    const extraLength = view.getUint16(at + 30, true);
    const entryCommentLength = view.getUint16(at + 32, true);
    const entry = {
      versionMadeBy: view.getUint16(at + 4, true),
      flags: view.getUint16(at + 8, true),
      method: view.getUint16(at + 10, true),
      time: view.getUint16(at + 12, true),
      date: view.getUint16(at + 14, true),
      crc: view.getUint32(at + 16, true),
      packedSize: view.getUint32(at + 20, true),
      size: view.getUint32(at + 24, true),
      externalAttributes: view.getUint32(at + 38, true),
      headerAt: view.getUint32(at + 42, true),
      name: names.decode(bytes.subarray(at + 46, at + 46 + nameLength)),
    };
    // Sizes and the header's place past 4 GB are in the ZIP64 extra field, in this order.
    const extraEnd = at + 46 + nameLength + extraLength;
    for (let field = at + 46 + nameLength; field + 4 <= extraEnd;) {
      const id = view.getUint16(field, true);
      const length = view.getUint16(field + 2, true);
      if (id === 0x0001) {
        let value = field + 4;
        for (const key of ["size", "packedSize", "headerAt"]) {
          if (entry[key] !== 0xFFFFFFFF || value + 8 > field + 4 + length) continue;
          entry[key] = Number(view.getBigUint64(value, true));
          value += 8;
        }
      }
      field += 4 + length;
    }
    const header = entry.headerAt;
    if (header + 30 > bytes.length || view.getUint32(header, true) !== 0x04034B50)
      throw broken("the entry '" + entry.name + "' has no local header");
    entry.dataAt = header + 30 + view.getUint16(header + 26, true) +
                   view.getUint16(header + 28, true);
    if (entry.dataAt + entry.packedSize > bytes.length)
      throw broken("the entry '" + entry.name + "' is cut off");
    entries.push(entry);
    at = extraEnd + entryCommentLength;
  }
  return {bytes, entries, comment};
}

// An entry's bytes, unpacked and checked against its size and CRC.
async function readEntry(zip, entry) {
  if (entry.size > kMaxPartBytes) throw new DocumentError(entry.name, "larger than 1 GiB unpacked");
  const packed = zip.bytes.subarray(entry.dataAt, entry.dataAt + entry.packedSize);
  let data;
  if (entry.method === 0) {
    data = packed;  // read only, and copied into the engine's memory
  } else if (entry.method === 8) {
    try {
      data = await throughStream(packed, new DecompressionStream("deflate-raw"));
    } catch (error) {
      throw new DocumentError(entry.name, "cannot be read: its packed data is broken");
    }
  } else {
    throw new DocumentError(entry.name, "cannot be read: packed with method " + entry.method +
                                        ", which the page cannot unpack");
  }
  if (data.length !== entry.size || crc32(data) !== entry.crc)
    throw new DocumentError(entry.name, "cannot be read: it is cut short or its CRC is wrong");
  return data;
}

// A new archive of `zip`'s entries in their order: those in `changed` (name -> bytes) packed
// anew, every other one's packed bytes copied, with its method, time and attributes kept.
async function writeZip(zip, changed) {
  const pieces = [];
  const directory = [];
  let offset = 0;
  const encoder = new TextEncoder();
  for (const entry of zip.entries) {
    const name = encoder.encode(entry.name);
    let data;
    let method = entry.method;
    let crc = entry.crc;
    let size = entry.size;
    if (changed.has(entry.name)) {
      const bytes = changed.get(entry.name);
      data = await throughStream(bytes, new CompressionStream("deflate-raw"));
      method = 8;
      crc = crc32(bytes);
      size = bytes.length;
    } else {
      data = zip.bytes.subarray(entry.dataAt, entry.dataAt + entry.packedSize);
    }
    if (offset + 30 + name.length + data.length > 0xFFFFFFFE || size > 0xFFFFFFFE)
      throw new DocumentError("", "too large for the page to write (4 GB or more)");
    // Sizes go in the header, so no data descriptor follows; names are flagged as UTF-8.
    const flags = (entry.flags & ~0x0008) | (/[^\x00-\x7F]/.test(entry.name) ? 0x0800 : 0);
    const header = new DataView(new ArrayBuffer(30));
    header.setUint32(0, 0x04034B50, true);
    header.setUint16(4, 20, true);
    header.setUint16(6, flags, true);
    header.setUint16(8, method, true);
    header.setUint16(10, entry.time, true);
    header.setUint16(12, entry.date, true);
    header.setUint32(14, crc, true);
    header.setUint32(18, data.length, true);
    header.setUint32(22, size, true);
    header.setUint16(26, name.length, true);
    pieces.push(new Uint8Array(header.buffer), name, data);
    const central = new DataView(new ArrayBuffer(46));
    central.setUint32(0, 0x02014B50, true);
    central.setUint16(4, entry.versionMadeBy, true);
    central.setUint16(6, 20, true);
    for (let i = 6; i < 26; i++) central.setUint8(i + 2, header.getUint8(i));
    central.setUint16(28, name.length, true);
    central.setUint32(38, entry.externalAttributes, true);
    central.setUint32(42, offset, true);
    directory.push(new Uint8Array(central.buffer), name);
    offset += 30 + name.length + data.length;
  }
  const directorySize = directory.reduce((sum, piece) => sum + piece.length, 0);
  const end = new DataView(new ArrayBuffer(22));
  end.setUint32(0, 0x06054B50, true);
  end.setUint16(8, zip.entries.length, true);
  end.setUint16(10, zip.entries.length, true);
  end.setUint32(12, directorySize, true);
  end.setUint32(16, offset, true);
  end.setUint16(20, zip.comment.length, true);
  if (zip.entries.length > 0xFFFE || offset > 0xFFFFFFFE)
    throw new DocumentError("", "too large for the page to write (4 GB or more)");
  const parts = [...pieces, ...directory, new Uint8Array(end.buffer), zip.comment];
  const out = new Uint8Array(parts.reduce((sum, piece) => sum + piece.length, 0));
  let at = 0;
  for (const piece of parts) {
    out.set(piece, at);
    at += piece.length;
  }
  return out;
}
