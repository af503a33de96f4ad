"use strict";
// Renders the catalogue data of this page and filters its rows as one types.
// Every name and text from the data is escaped before it enters the page.
//
// The list is one column of items (publisher headings, issue folder
// headings, title lines, PDF rows, open abstracts). A small catalogue is
// rendered whole; a large one is rendered as a window over the items near
// the screen, each item of a fixed height, so that a keystroke costs a pass
// over the data and a few dozen elements, however many PDFs there are.
// Below 700 px each row is a card instead of a line of the table.
(function () {
// The page's data hold UTF-8 text compressed with deflate and written in
// base64, which the HTML parser reads several times faster than the text
// itself, in elements of 64 KB, which it reads many times faster than one
// long one; each is read back here, off the page's first parse. (atob
// skips the line breaks.) The bytes of base64 `text`:
function decoded(text) {
  if (Uint8Array.fromBase64) return Uint8Array.fromBase64(text);
  var binary = atob(text), bytes = new Uint8Array(binary.length);
  for (var i = 0; i < binary.length; i++) bytes[i] = binary.charCodeAt(i);
  return bytes;
}
// The text of the data `name`, read at once (the rows wait for it).
function inflated(name) {
  var parts = document.querySelectorAll("script." + name), text = "";
  for (var p = 0; p < parts.length; p++) text += parts[p].textContent;
  var bytes = decoded(text);
  var stream = new ReadableStream({ start: function (c) { c.enqueue(bytes); c.close(); } });
  return new Response(stream.pipeThrough(new DecompressionStream("deflate-raw"))).text();
}
// The start of each line of `bytes` after any byte order mark, then their
// end.
function lineStarts(bytes) {
  var at = bytes[0] === 0xef && bytes[1] === 0xbb && bytes[2] === 0xbf ? 3 : 0, starts = [];
  for (; at < bytes.length; at = bytes.indexOf(10, at) + 1 || bytes.length) starts.push(at);
  starts.push(bytes.length);
  return Int32Array.from(starts);
}
// The bytes of the data `name` and their lineStarts, read a few elements
// (each of whole groups of four base64 digits) a task, so that no task
// holds the page long. They are inflated and their lines found in a worker
// where the browser allows one: the stream's output comes in thousands of
// small buffers (the abstracts' run to over a hundred megabytes), whose
// freeing otherwise holds the page's main thread for tens of milliseconds
// after a collection, often while one types.
function linesOf(name) {
  var parts = document.querySelectorAll("script." + name), p = 0;
  function read() {
    var text = "";
    for (var n = 0; n < 8 && p < parts.length; n++) text += parts[p++].textContent;
    return text;
  }
  // The same on the page's main thread, from the first element.
  function here() {
    p = 0;
    var input = new ReadableStream({
      pull: function (c) {
        if (p >= parts.length) {
          c.close();
          return undefined;
        }
        c.enqueue(decoded(read()));
        return new Promise(function (resolve) { setTimeout(resolve, 0); });
      }
    }, { highWaterMark: 0 });
    return new Response(input.pipeThrough(new DecompressionStream("deflate-raw"))).arrayBuffer()
        .then(function (buffer) { return [buffer, lineStarts(new Uint8Array(buffer))]; });
  }
  var worker = null, url = "";
  try {
    url = URL.createObjectURL(new Blob([decoded + "\n" + lineStarts + "\n(" + inflater + ")();\n"],
                                       { type: "text/javascript" }));
    worker = new Worker(url);
  } catch (e) {
    worker = null;
  }
  if (!worker) return here();
  // A worker that fails (one the browser refuses to start, or whose
  // inflating goes wrong) leaves the work to the main thread, where a
  // failure is told.
  return new Promise(function (resolve) {
    var feeding = true;
    function stop() {
      feeding = false;
      worker.terminate();
      URL.revokeObjectURL(url);
    }
    worker.onmessage = function (e) {
      stop();
      resolve(typeof e.data === "string" ? here() : e.data);
    };
    worker.onerror = function (e) {
      e.preventDefault();
      stop();
      resolve(here());
    };
    (function feed() {
      if (!feeding) return;
      var done = p >= parts.length;
      worker.postMessage(done ? null : read());
      if (!done) setTimeout(feed, 0);
    })();
  });
}
// The worker's own script: base64 texts in, then null; the inflated bytes
// and their lineStarts (or what went wrong) out.
function inflater() {
  var stream = new DecompressionStream("deflate-raw"), writer = stream.writable.getWriter();
  var out = new Response(stream.readable).arrayBuffer();
  out.then(function (buffer) {
    var starts = lineStarts(new Uint8Array(buffer));
    postMessage([buffer, starts], [buffer, starts.buffer]);
  }, function (error) { postMessage(String(error)); });
  onmessage = function (e) {
    if (e.data === null) writer.close().catch(function () {});
    else writer.write(decoded(e.data)).catch(function () {});
  };
}

// The page's data is text: records, each ended by RS, of fields apart by
// FS; the archive root first, then each folder's record ("#", publisher,
// name, format, href, titles) followed by its rows' (a digit, 1 when the
// PDF is described plus 2 when it has an abstract, then FILE to LEGACY and
// the authors). ESC and the character 64 higher stand for the few
// characters that mark the data. Rows are kept in this one string and a
// row's fields are taken from it when they are drawn or matched, so that
// the collector has few objects to mark whatever the size of the
// catalogue.
var FS = "\u001f", RS = "\u001e", ESC = "\u001b";
function unescaped(text) {
  return text.replace(/\u001b[\s\S]/g, function (e) {
    return String.fromCharCode(e.charCodeAt(1) - 64);
  });
}
// The fields of the record text[from, to).
function fieldsAt(text, from, to) {
  var record = text.slice(from, to), fields = record.split(FS);
  return record.indexOf(ESC) === -1 ? fields : fields.map(unescaped);
}

// The page from the data `text`; with `preview`, only the first screen of
// rows, from the few rows that stand ahead of the data (drawn while it is
// read, with no counts and no controls).
function page(text, preview) {
  // Folder fields and row fields, in the order the data holds them.
  var PUBLISHER = 0, NAME = 1, FORMAT = 2, HREF_FOLDER = 3, TITLES = 4, COUNT = 5;
  var FILE = 0, HREF = 1, TITLE = 2, JOURNAL = 3, VOLUME = 4, ISSUE = 5, PAGES = 6, YEAR = 7,
      DOI = 8, LEGACY = 9, AUTHORS = 10;
  // Up to this many rows the whole list is rendered (so the browser's own
  // find sees every row and rows wrap their text); above it, a window.
  var EAGER_ROWS = 3000;
  // Up to this many issue folders the contents list starts unfolded.
  var CONTENTS_OPEN = 40;
  var narrowQuery = window.matchMedia("(max-width: 700px)");

  var ESCAPES = { "&": "&amp;", "<": "&lt;", ">": "&gt;", "\"": "&quot;", "'": "&#39;" };
  function esc(text) {
    return String(text).replace(/[&<>"']/g, function (c) { return ESCAPES[c]; });
  }
  // Text for matching: lower case, compatibility forms decomposed and every
  // combining mark dropped (in any script; the kana voicing marks stay, as
  // they make other syllables), then composed again (Hangul syllables).
  var MARKS = /[^\P{M}\u3099\u309a]/gu;
  function foldWhole(text) {
    return text.normalize("NFKD").replace(MARKS, "").normalize("NFC")
               .replace(/\u00df/g, "ss").replace(/\u03c2/g, "\u03c3");
  }
  // Text is folded a character at a time, each character once (the same
  // as folding the whole), unless it holds characters that compose with
  // their neighbours (Hangul jamo, kana voicing marks).
  var foldedChars = new Map();
  var COMPOSING = /[\u1100-\u11ff\u3099\u309a\u3130-\u318f\ua960-\ua97f\ud7b0-\ud7ff]/;
  function foldRun(run) {
    var out = "";
    for (var ch of run) {
      var f = foldedChars.get(ch);
      if (f === undefined) {
        f = foldWhole(ch);
        foldedChars.set(ch, f);
      }
      out += f;
    }
    return out;
  }
  function fold(text) {
    text = text.toLowerCase();
    if (!/[^\u0000-\u007f]/.test(text)) return text;
    return COMPOSING.test(text) ? foldWhole(text) : text.replace(/[^\u0000-\u007f]+/g, foldRun);
  }
  // `text` folded, with the span of `text` each folded character came
  // from; null where folding one character at a time differs from folding
  // the whole (marks then are not placed).
  function foldSpans(text) {
    var folded = fold(text);
    var from = new Int32Array(folded.length), to = new Int32Array(folded.length);
    if (folded.length === text.length && !/[^\u0000-\u007f]/.test(text)) {
      for (var i = 0; i < text.length; i++) { from[i] = i; to[i] = i + 1; }
      return { s: folded, from: from, to: to };
    }
    var j = 0, k = 0;
    for (var ch of text) {
      var f = fold(ch);
      if (folded.substr(j, f.length) !== f) return null;
      for (var n = 0; n < f.length; n++, j++) { from[j] = k; to[j] = k + ch.length; }
      k += ch.length;
    }
    return j === folded.length ? { s: folded, from: from, to: to } : null;
  }
  // `text` escaped, each place a word of `words` (folded) matches marked.
  function marked(text, words) {
    if (!text || !words.length) return esc(text);
    var spans = foldSpans(text);
    if (!spans) return esc(text);
    var ranges = [];
    words.forEach(function (w) {
      for (var at = spans.s.indexOf(w); at !== -1; at = spans.s.indexOf(w, at + w.length)) {
        ranges.push([spans.from[at], spans.to[at + w.length - 1]]);
      }
    });
    if (!ranges.length) return esc(text);
    ranges.sort(function (a, b) { return a[0] - b[0]; });
    var html = "", end = 0;
    for (var r = 0; r < ranges.length; r++) {
      var start = Math.max(ranges[r][0], end), stop = ranges[r][1];
      while (r + 1 < ranges.length && ranges[r + 1][0] <= stop) stop = Math.max(stop, ranges[++r][1]);
      if (stop <= start) continue;
      html += esc(text.slice(end, start)) + "<mark>" + esc(text.slice(start, stop)) + "</mark>";
      end = stop;
    }
    return html + esc(text.slice(end));
  }
  function plural(n, one, many) { return n + " " + (n === 1 ? one : many); }
  function baseName(file) { return file.replace(/\.pdf$/i, ""); }
  function doiHref(doi) {
    var bare = doi.replace(/^(?:doi:|https?:\/\/(?:dx\.)?doi\.org\/)/i, "");
    return "https://doi.org/" + bare.split("/").map(encodeURIComponent).join("/");
  }
  function volumeText(row) {
    var text = row[VOLUME];
    if (row[ISSUE]) text += "(" + row[ISSUE] + ")";
    if (row[PAGES]) text += (text ? ":" : "") + row[PAGES];
    return text;
  }
  // The family name of an author: the part before a comma, else the last word.
  function familyName(name) {
    var comma = name.indexOf(",");
    if (comma > 0) return name.slice(0, comma);
    var last = /\S+$/.exec(name.trimEnd());
    return last ? last[0] : "";
  }
  function yearOf(text) {
    var m = /\d{4}/.exec(text);
    return m ? Number(m[0]) : 0;
  }

  // The folders ([publisher, name, format, href, [titles], rows]) and the
  // rows, flat: where row k's record stands in the text, its folder,
  // whether it is described and has an abstract; its year and the ends of
  // the fields of its text for matching (title, authors, journal and DOI
  // first) are made after the first rows are shown (or when first needed).
  var root = text.slice(0, text.indexOf(RS)), folders = [];
  var starts = [], ends = [], folderOf = [], flagsOf = [];
  for (var recordAt = root.length + 1, recordEnd; recordAt < text.length;
       recordAt = recordEnd + 1) {
    recordEnd = text.indexOf(RS, recordAt);
    if (recordEnd === -1) break;
    if (text.charCodeAt(recordAt) === 35) {  // "#"
      var folderFields = fieldsAt(text, recordAt + 1, recordEnd);
      folders.push(folderFields.slice(0, TITLES).concat([folderFields.slice(TITLES), 0]));
    } else {
      starts.push(recordAt + 1);
      ends.push(recordEnd);
      folderOf.push(folders.length - 1);
      flagsOf.push(text.charCodeAt(recordAt) - 48);
      folders[folders.length - 1][COUNT]++;
    }
  }
  var total = starts.length;
  var rowFrom = Int32Array.from(starts), rowTo = Int32Array.from(ends);
  var rowFolder = Int32Array.from(folderOf), described = new Uint8Array(total);
  var hasAbstract = new Uint8Array(total);
  var titleEnd = new Int32Array(total), authorsEnd = new Int32Array(total),
      journalEnd = new Int32Array(total), doiEnd = new Int32Array(total),
      years = new Int32Array(total);
  var describedCount = 0, abstractCount = 0;
  for (var r = 0; r < total; r++) {
    described[r] = flagsOf[r] & 1;
    hasAbstract[r] = flagsOf[r] >> 1;
    describedCount += described[r];
    abstractCount += hasAbstract[r];
  }
  starts = ends = folderOf = flagsOf = null;
  // Row k's fields, FILE to LEGACY, then its authors.
  function rowOf(k) { return fieldsAt(text, rowFrom[k], rowTo[k]); }
  var publishers = [];  // {name, folders: [folder index], total}
  var formats = {};     // format -> PDF count
  folders.forEach(function (folder, f) {
    var p = publishers[publishers.length - 1];
    if (!p || p.name !== folder[PUBLISHER]) {
      p = { name: folder[PUBLISHER], folders: [], total: 0 };
      publishers.push(p);
    }
    p.folders.push(f);
    p.total += folder[COUNT];
    folder.pub = publishers.length - 1;
    formats[folder[FORMAT]] = (formats[folder[FORMAT]] || 0) + folder[COUNT];
  });
  // Work that only makes later steps quicker (the rows' text for matching,
  // the folded abstracts, the sort orders) gives way to the user: it runs
  // while no filter runs in slices and nothing has been typed, clicked or
  // scrolled for IDLE_MS, in the browser's idle periods where it has them,
  // a task of at most IDLE_SLICE_MS at a time, so that a key pressed
  // meanwhile waits little. While other tasks keep the page busy (the
  // abstracts being indexed), it still has a slice every IDLE_WAIT_MS.
  // Each work(deadline) is called until it returns true, one work after
  // the other.
  var IDLE_MS = 300, IDLE_SLICE_MS = 4, IDLE_WAIT_MS = 50;
  var idleQueue = [], idlePending = false, idleEnd = 0, lastInput = -Infinity;
  var idleChannel = new MessageChannel();
  idleChannel.port1.onmessage = idleSlice;
  function whenIdle(work) {
    idleQueue.push(work);
    if (!idlePending) askIdle(0);
  }
  function askIdle(delay) {
    idlePending = true;
    setTimeout(function () {
      if (window.requestIdleCallback) requestIdleCallback(idleStart, { timeout: IDLE_WAIT_MS });
      else idleStart(null);
    }, delay);
  }
  function idleStart(idle) {
    idleEnd = performance.now() + (idle && !idle.didTimeout ? idle.timeRemaining() : IDLE_SLICE_MS);
    idleSlice();
  }
  function idleSlice() {
    var now = performance.now(), quiet = lastInput + IDLE_MS - now;
    if (!idleQueue.length) {
      idlePending = false;
    } else if (running || quiet > 0) {
      askIdle(Math.max(quiet, 50));
    } else if (now >= idleEnd) {
      askIdle(0);
    } else {
      if (idleQueue[0](Math.min(idleEnd, now + IDLE_SLICE_MS))) idleQueue.shift();
      idleChannel.port2.postMessage(0);
    }
  }
  // Does the idle work until `deadline`; true once none is left.
  function idleWork(deadline) {
    while (idleQueue.length && performance.now() < deadline) {
      if (idleQueue[0](deadline)) idleQueue.shift();
    }
    return !idleQueue.length;
  }

  // The folder's titles and format are matched once for all its rows, in
  // folderHay. The rows' texts are made a few folders at a time while the
  // page is idle, or at once when a search needs them, joined each time
  // (flat, and no string a row outlives it).
  var hayMade = false, folderHay = [], hayFolder = 0, hayRow = 0, hayPieces = [];
  function makeHay(deadline) {
    if (hayMade) return true;
    var k = hayRow, texts = [];
    if (!hayStart) hayStart = new Int32Array(total + 1);
    for (; hayFolder < folders.length; hayFolder++) {
      if (k > hayRow && performance.now() > deadline) break;
      var folder = folders[hayFolder];
      var common = fold("\n" + folder[PUBLISHER] + "/" + folder[NAME] + "/");
      folderHay.push(fold(folder[TITLES].join("\n") + "\n" + folder[FORMAT]));
      for (var i = 0; i < folder[COUNT]; i++, k++) {
        var row = rowOf(k);
        var title = fold(row[TITLE]), authors = fold(row.slice(AUTHORS).join("\n")),
            journal = fold(row[JOURNAL]), doi = fold(row[DOI]);
        titleEnd[k] = title.length;
        authorsEnd[k] = titleEnd[k] + 1 + authors.length;
        journalEnd[k] = authorsEnd[k] + 1 + journal.length;
        doiEnd[k] = journalEnd[k] + 1 + doi.length;
        years[k] = yearOf(row[YEAR]);
        var rest = doi + common +
                   fold(row[FILE] + "\n" + volumeText(row) + "\n" + row[YEAR] + "\n" + row[LEGACY]);
        texts.push(title, authors, journal, rest);
        hayStart[k + 1] = hayStart[k] + journalEnd[k] + 1 + rest.length + 1;
      }
    }
    if (texts.length) hayPieces.push(texts.join("\n"));
    hayRow = k;
    if (hayFolder < folders.length) return false;
    hayMade = true;
    hayText = hayPieces.join("\n");
    hayPieces = null;
    hayStart[total] = hayText.length + 1;
    return true;
  }
  // The rows' texts end to end, a line a row (a query word holds no line
  // break, so no match runs across two rows), and where each row starts:
  // a filter that looks at most rows finds a word in one pass over it.
  var hayText = "", hayStart = null;
  // has(start, end): whether `word` is in hayText[start, end), within a
  // row; asked in walk order about `n` rows, it reads the text once, a
  // window a time, or, when the rows are under half of all, each row
  // alone (the rows between them unread).
  var WINDOW = 1 << 16;
  function finder(word, n) {
    var from = 0, to = 0, at = -1;  // [from, to) read; at: the first find there, or -1
    var window = n * 2 > total ? WINDOW : 0;
    return function (start, end) {
      if (start < from || (at === -1 ? end > to : at < start)) {
        from = start;
        to = Math.min(hayText.length, Math.max(end, start + window));
        at = hayText.slice(from, to).indexOf(word);
        if (at !== -1) at += from;
      }
      return at !== -1 && at + word.length <= end;
    };
  }
  // Marks the rows whose `field` (any, when empty) holds `word`.
  function rowsMatching(word, field) {
    var hit = new Uint8Array(total), k = 0;
    for (var at = hayText.indexOf(word); at !== -1; at = hayText.indexOf(word, at)) {
      while (hayStart[k + 1] <= at) k++;
      var from = at - hayStart[k], start = 0, end = doiEnd[k];
      if (!field) end = hayStart[k + 1] - 1 - hayStart[k];
      else if (field === "title") end = titleEnd[k];
      else if (field === "author") { start = titleEnd[k] + 1; end = authorsEnd[k]; }
      else if (field === "journal") { start = authorsEnd[k] + 1; end = journalEnd[k]; }
      else if (field === "doi") { start = journalEnd[k] + 1; end = doiEnd[k]; }
      if (from >= start && from + word.length <= end) {
        hit[k] = 1;
        at = hayStart[k + 1];  // on from the next row
      } else {
        // Before the field: on from its start; past it: the next row.
        at = from < start ? hayStart[k] + start : hayStart[k + 1];
      }
    }
    return hit;
  }

  // The query: free words (a quoted run of words is one), words for one
  // field ("author:varga", "title:\"slow rivers\""), years and year ranges.
  var FIELD_NAMES = { author: "author", authors: "author", title: "title", journal: "journal",
                      doi: "doi", year: "year" };
  function parseQuery(text) {
    var terms = [], i = 0, n = text.length;
    while (i < n) {
      while (i < n && /\s/.test(text[i])) i++;
      if (i >= n) break;
      var field = "", name = /^([A-Za-z]+):/.exec(text.slice(i, i + 9));
      if (name && FIELD_NAMES[name[1].toLowerCase()]) {
        field = FIELD_NAMES[name[1].toLowerCase()];
        i += name[0].length;
      }
      var word;
      // A quote not closed yet (one is typing the words) leaves the words
      // apart until it is.
      var close = text[i] === "\"" ? text.indexOf("\"", i + 1) : -1;
      if (text[i] === "\"" && close === -1) i++;
      if (close !== -1) {
        word = text.slice(i + 1, close);
        i = close + 1;
      } else {
        var start = i;
        while (i < n && !/\s/.test(text[i])) i++;
        word = text.slice(start, i);
      }
      word = fold(word).replace(/\s+/g, " ").trim();
      if (!word) continue;
      var range = field === "year" && /^(\d{1,4})?(?:(\.\.|-)(\d{1,4})?)?$/.exec(word);
      if (range && (range[1] || range[3])) {
        var from = range[1] ? Number(range[1]) : 0;
        var to = range[3] ? Number(range[3]) : range[2] ? 9999 : from;
        terms.push({ field: "year", from: Math.min(from, to), to: Math.max(from, to) });
      } else {
        terms.push({ field: field === "year" ? "" : field, word: word });
      }
    }
    return terms;
  }
  // Whether row k's field holds the word `has` (a finder) looks for.
  function inField(k, field, has) {
    var start = 0, end = doiEnd[k];
    if (field === "title") end = titleEnd[k];
    else if (field === "author") { start = titleEnd[k] + 1; end = authorsEnd[k]; }
    else if (field === "journal") { start = authorsEnd[k] + 1; end = journalEnd[k]; }
    else if (field === "doi") { start = journalEnd[k] + 1; end = doiEnd[k]; }
    return has(hayStart[k] + start, hayStart[k] + end);
  }

  // Abstracts: a line a row after the script, read as bytes once the page
  // has loaded, in segments, each folded (and kept, one string, for words
  // kept together) and its distinct words numbered: a query word is looked
  // up in the words. Few objects: the collector's pauses grow with them.
  var SEGMENT = 1 << 18, PIECE = 1 << 15, segments = null, folded = [];
  var decoder = new TextDecoder("utf-8", { ignoreBOM: true });
  // Row k's line: segment (-1: none), start, and span in the folded one.
  var lineSegment = new Int32Array(total).fill(-1), lineStart = new Int32Array(total);
  var foldedStart = new Int32Array(total), foldedEnd = new Int32Array(total);
  // {text: the words a line each, at: their starts, count, rowStart,
  //  rowWords, wordStart, wordRows, found}
  var index = null;
  function abstractText(k) {
    var s = lineSegment[k];
    if (!segments || s < 0) return "";
    var bytes = segments[s], end = bytes.indexOf(10, lineStart[k]);
    return decoder.decode(bytes.subarray(lineStart[k], end < 0 ? bytes.length : end));
  }
  function foldedText(k) {
    return lineSegment[k] < 0 ? "" : folded[lineSegment[k]].slice(foldedStart[k], foldedEnd[k]);
  }
  // Segments of whole lines of at least SEGMENT bytes (but the last), after
  // any byte order mark.
  function indexAbstracts() {
    if (!document.querySelector("script.abstracts")) return;
    linesOf("abstracts").then(function (read) {
      var bytes = new Uint8Array(read[0]), starts = read[1], list = [], start = 0, end = 0;
      // A segment ends at the first line start past SEGMENT bytes: the
      // lines are found once, and `next` only moves on.
      for (var k = 0, next = 0; k + 1 < starts.length; k++) {
        var at = starts[k];
        if (at >= end) {
          start = at;
          while (next < starts.length && starts[next] <= at + SEGMENT) next++;
          end = next < starts.length ? starts[next] : bytes.length;
          list.push(bytes.subarray(start, end));
        }
        if (k < total) {
          lineSegment[k] = list.length - 1;
          lineStart[k] = at - start;
        }
      }
      indexSegments(list, bytes.length);
    }, failed);
  }
  // Whether code unit c is a blank (white space or a line end, as \s).
  function blank(c) {
    return c <= 32 ? c === 32 || (c >= 9 && c <= 13)
         : c >= 160 && (c === 160 || c === 0x1680 || (c >= 0x2000 && c <= 0x200a) ||
                        c === 0x2028 || c === 0x2029 || c === 0x202f || c === 0x205f ||
                        c === 0x3000 || c === 0xfeff);
  }
  function doubled(array) {
    var more = new Int32Array(array.length * 2);
    more.set(array);
    return more;
  }
  function indexSegments(read, size) {
    segments = read;
    // The words, found by a hash of their code units: only a new one is
    // made a string.
    var words = [], hashes = new Int32Array(1024), seen = new Int32Array(1024);
    var counts = new Int32Array(1024);  // the rows each word stands in
    var bits = 11, table = new Int32Array(1 << bits);
    function slotOf(hash) {
      return Math.imul(hash ^ (hash >>> 16), 0x45d9f3b) >>> (32 - bits);
    }
    function numberOf(text, from, to, hash) {
      var mask = (1 << bits) - 1, slot = slotOf(hash), id;
      for (; (id = table[slot] - 1) >= 0; slot = (slot + 1) & mask) {
        var word = words[id];
        if (hashes[id] === hash && word.length === to - from && text.startsWith(word, from)) {
          return id;
        }
      }
      id = words.length;
      words.push(text.slice(from, to));
      if (id === hashes.length) {
        hashes = doubled(hashes);
        seen = doubled(seen);
        counts = doubled(counts);
      }
      hashes[id] = hash;
      table[slot] = id + 1;
      if (words.length * 2 > mask) {
        bits++;
        table = new Int32Array(1 << bits);
        mask = (1 << bits) - 1;
        for (var w = 0; w < words.length; w++) {
          for (slot = slotOf(hashes[w]); table[slot]; slot = (slot + 1) & mask) {}
          table[slot] = w + 1;
        }
      }
      return id;
    }
    // (About a word in eight bytes: room for the pairs, seldom grown.)
    var rowStart = new Int32Array(total + 1), rowWords = new Int32Array(Math.max(1024, size >> 3));
    var used = 0, k = 0, s = 0, text = null, at = 0;
    // Rows of segment s until `deadline`; true once it is done. It is
    // folded in pieces (small texts die young), a line apart where one
    // holds characters that compose with their neighbours.
    function indexRows(deadline) {
      if (!text) {
        var bytes = segments[s], pieces = [];
        for (var start = lineStart[k], stop; start < bytes.length; start = stop) {
          stop = bytes.indexOf(10, start + PIECE) + 1 || bytes.length;
          var piece = decoder.decode(bytes.subarray(start, stop));
          pieces.push(COMPOSING.test(piece) ? piece.split("\n").map(fold).join("\n") : fold(piece));
        }
        text = folded[s] = pieces.join("");
        at = 0;
      }
      for (; k < total && lineSegment[k] === s; k++) {
        if (k % 16 === 0 && performance.now() > deadline) return false;
        var end = text.indexOf("\n", at);
        if (end < 0) end = text.length;
        foldedStart[k] = at;
        foldedEnd[k] = end;
        rowStart[k] = used;
        for (var i = at; i < end;) {
          var c = text.charCodeAt(i);
          if (blank(c)) {
            i++;
            continue;
          }
          var from = i, hash = 0;
          do {
            hash = (Math.imul(hash, 31) + c) | 0;
            c = text.charCodeAt(++i);
          } while (i < end && !blank(c));
          var id = numberOf(text, from, i, hash);
          if (seen[id] === k + 1) continue;
          seen[id] = k + 1;
          counts[id]++;
          if (used === rowWords.length) rowWords = doubled(rowWords);
          rowWords[used++] = id;
        }
        at = end + 1;
      }
      text = null;
      s++;
      return true;
    }
    // The pairs by word until `deadline`; true once done.
    var wordStart = null, wordRows = null, fill = null, r = 0;
    function invert(deadline) {
      if (!fill) {
        for (; k < total; k++) rowStart[k] = used;
        rowStart[total] = used;
        wordStart = new Int32Array(words.length + 1);
        for (var w = 0; w < words.length; w++) wordStart[w + 1] = wordStart[w] + counts[w];
        fill = wordStart.slice(0, words.length);
        wordRows = new Int32Array(used);
      }
      for (; r < total; r++) {
        if (r % 256 === 0 && performance.now() > deadline) return false;
        for (var q = rowStart[r]; q < rowStart[r + 1]; q++) wordRows[fill[rowWords[q]]++] = r;
      }
      return true;
    }
    // Slices of 20 ms (a key typed waits no longer); the idle work (rows'
    // texts, sort orders) first, as a search needs it sooner.
    function slice() {
      var deadline = performance.now() + 20;
      var more = idleWork(deadline);
      while (more && s < segments.length) more = indexRows(deadline);
      if (!more || !invert(deadline)) {
        setTimeout(slice, 0);
        return;
      }
      var count = words.length, starts = new Int32Array(count + 1);
      for (var n = 0; n < count; n++) starts[n + 1] = starts[n] + words[n].length + 1;
      index = { text: words.join("\n"), at: starts, count: count, rowStart: rowStart,
                rowWords: rowWords, wordStart: wordStart, wordRows: wordRows, found: new Map() };
      words = hashes = seen = counts = table = fill = null;
      apply();
      document.documentElement.dataset.abstracts = "1";
      if (performance.mark) performance.mark("pdfindex-abstracts");
    }
    slice();
  }
  // The ids of the abstract words that hold `part`, in order; a word typed
  // on from an earlier one looks among its few finds.
  function wordsHolding(part) {
    var found = index.found.get(part);
    if (found) return found;
    var among = null;
    index.found.forEach(function (ids, earlier) {
      if (part.indexOf(earlier) !== -1 && (!among || ids.length < among.length)) among = ids;
    });
    found = [];
    var text = index.text, at = index.at, count = index.count;
    if (among && among.length * 8 < count) {
      for (var i = 0; i < among.length; i++) {
        var id = among[i];
        if (text.slice(at[id], at[id + 1] - 1).indexOf(part) !== -1) found.push(id);
      }
    } else {
      for (var p = text.indexOf(part), w = 0; p !== -1; p = text.indexOf(part, at[w + 1])) {
        for (var hi = count - 1; w < hi;) {
          var mid = (w + hi + 1) >> 1;
          if (at[mid] <= p) w = mid; else hi = mid - 1;
        }
        found.push(w);
      }
    }
    if (index.found.size > 64) index.found.clear();
    index.found.set(part, found);
    return found;
  }
  // A test "does row k's abstract hold `word`", or null before the
  // abstracts are indexed. It looks at the words of each row it is asked
  // about until that has cost as much as marking once the rows of every
  // matching word, then marks them, a little with each row it is asked
  // about (four times what that row's words cost), and looks at the rows'
  // words until all are marked: rows the other fields match are never
  // asked about, so a short word that most titles or paths hold costs
  // little, no word costs more than about twice the cheaper way, and no
  // row costs more than a few of its own looks (the rows of a short word
  // run to millions, more than a slice of the search may take).
  function abstractTest(word) {
    if (!index) return null;
    var parts = word.split(" ");
    var rowStart = index.rowStart, rowWords = index.rowWords;
    var wordStart = index.wordStart, wordRows = index.wordRows;
    // The words that hold each part are looked for when a row is first
    // asked about: a word that the other fields of every row hold (a
    // letter of ".pdf") costs no look among all the abstracts' words.
    var tests = parts.map(function (part) {
      var ids = null, byWords = 0, flag = null, spent = 0;
      var hit = null, marked = false, next = 0, at = 0;  // marking: word ids[next], pair at
      function mark(budget) {
        while (next < ids.length && budget > 0) {
          var stop = Math.min(wordStart[ids[next] + 1], at + budget);
          budget -= stop - at;
          for (; at < stop; at++) hit[wordRows[at]] = 1;
          if (at === wordStart[ids[next] + 1] && ++next < ids.length) at = wordStart[ids[next]];
        }
        marked = next >= ids.length;
      }
      return function (k) {
        if (marked) return hit[k] === 1;
        if (!ids) {
          ids = wordsHolding(part);
          for (var i = 0; i < ids.length; i++) byWords += wordStart[ids[i] + 1] - wordStart[ids[i]];
          flag = new Uint8Array(index.count);
          for (var f = 0; f < ids.length; f++) flag[ids[f]] = 1;
        }
        var start = rowStart[k], end = rowStart[k + 1];
        spent += end - start;
        if (spent > byWords) {
          if (!hit) {
            hit = new Uint8Array(total);
            if (ids.length) at = wordStart[ids[0]];
          }
          mark(4 * (end - start) + 64);
          if (marked) return hit[k] === 1;
        }
        for (var r = start; r < end; r++) if (flag[rowWords[r]]) return true;
        return false;
      };
    });
    if (parts.length === 1) return tests[0];
    // Words kept together: every word, then the words together in the
    // row's folded abstract, so only rows that hold every word are read.
    return function (k) {
      for (var t = 0; t < tests.length; t++) if (!tests[t](k)) return false;
      return foldedText(k).indexOf(word) !== -1;
    };
  }
  // Sorting: each key's order of all rows, made once when first asked
  // for (or while the page is idle); rows without the key come last either
  // way. The keys are the folded fields the filter matches, compared as
  // text (a year as the one character of its number). Authors and
  // journals repeat (2): each is sorted once, and its rows follow it.
  var SORT_KEYS = { title: 1, author: 2, journal: 2, year: 1 };
  var orders = {};  // key -> {order: Int32Array, filled: rows with the key}
  // The sort key `key` of row k.
  function keyOf(key, k) {
    var text = hayText, at = hayStart[k];
    if (key === "year") return years[k] ? String.fromCharCode(years[k]) : "";
    if (key === "title") return text.slice(at, at + titleEnd[k]);
    if (key === "journal") return text.slice(at + authorsEnd[k] + 1, at + journalEnd[k]);
    var start = at + titleEnd[k] + 1, first = text.slice(start, text.indexOf("\n", start));
    return first ? familyName(first) + " " + first : "";
  }
  // The rows by `keys` (ties in walk order), those without a key last.
  function orderBy(filled, empty) {
    var order = new Int32Array(total);
    order.set(filled);
    order.set(empty, filled.length);
    return { order: order, filled: filled.length };
  }
  // Makes the order of `key` in steps, each within the deadline it is
  // given, while the page is idle or at once (an unbounded deadline) when
  // a sort needs it first: a radix sort on the keys' code units, a range
  // of rows a step, which gives the order of comparing the keys (ties in
  // walk order) several times sooner than a sort that compares them. Each
  // key's first PREFIX code units are read once into a typed array, where
  // the steps find them near each other. A short range is sorted by
  // insertion, one whose code units spread wide by comparing its keys.
  var unitCounts = new Int32Array(65537), PREFIX = 16;
  function orderMaker(key) {
    // The keys sorted: the rows' own, or each key once where keys repeat.
    var repeats = SORT_KEYS[key] === 2, keys = [], slots = new Map(), slotOf = null;
    var made = 0, ids = null, empty = [], spare = null, unit = null, ranges = null;
    var lengths = null, prefix = null;
    // Orders ids[from, to), whose keys agree on their first d code units.
    function step(from, to, d) {
      var first = keys[ids[from]], i = from + 1;
      while (i < to && keys[ids[i]] === first) i++;
      if (i === to) return;  // one key: walk order
      if (to - from < 12) {
        for (i = from + 1; i < to; i++) {
          var id = ids[i], text = keys[id], j = i;
          for (; j > from && keys[ids[j - 1]] > text; j--) ids[j] = ids[j - 1];
          ids[j] = id;
        }
        return;
      }
      var lo = 65536, hi = 0;  // the range's code units, 1 up; 0 where a key ends
      for (i = from; i < to; i++) {
        var k = ids[i];
        var u = d >= lengths[k] ? 0
              : (d < PREFIX ? prefix[k * PREFIX + d] : keys[k].charCodeAt(d)) + 1;
        unit[i] = u;
        if (u < lo) lo = u;
        if (u > hi) hi = u;
      }
      if (lo === hi) {  // one unit: on to the next
        ranges.push(from, to, d + 1);
        return;
      }
      if (hi - lo > 4 * (to - from)) {
        ids.set(Array.from(ids.subarray(from, to)).sort(function (a, b) {
          return keys[a] < keys[b] ? -1 : keys[a] > keys[b] ? 1 : a - b;
        }), from);
        return;
      }
      var counts = unitCounts, n = hi - lo + 1, b = 0, at = from;
      counts.fill(0, 0, n);
      for (i = from; i < to; i++) counts[unit[i] - lo]++;
      for (; b < n; b++) {
        var c = counts[b];
        counts[b] = at;
        at += c;
      }
      for (i = from; i < to; i++) spare[counts[unit[i] - lo]++] = ids[i];
      ids.set(spare.subarray(from, to), from);
      // Each unit's rows now end where its count stands; keys that end
      // here are alike.
      for (b = lo === 0 ? 1 : 0, at = b ? counts[0] : from; b < n; at = counts[b++]) {
        if (counts[b] - at > 1) ranges.push(at, counts[b], d + 1);
      }
    }
    // Keeps `text` as key `id`, its first code units in `prefix`.
    function keep(id, text) {
      keys[id] = text;
      lengths[id] = text.length;
      for (var d = 0, at = id * PREFIX; d < PREFIX && d < text.length; d++) {
        prefix[at + d] = text.charCodeAt(d);
      }
    }
    return function (deadline) {
      if (orders[key]) return true;
      if (!lengths) {
        lengths = new Int32Array(total);
        prefix = new Uint16Array(total * PREFIX);
        if (repeats) slotOf = new Int32Array(total);
      }
      for (; made < total; made++) {
        if (made % 500 === 0 && performance.now() > deadline) return false;
        var text = keyOf(key, made);
        if (!text) empty.push(made);
        if (!repeats) {
          keep(made, text);
        } else if (text) {
          var slot = slots.get(text);
          if (slot === undefined) {
            slot = keys.length;
            slots.set(text, slot);
            keep(slot, text);
          }
          slotOf[made] = slot;
        } else {
          slotOf[made] = -1;
        }
      }
      if (!ids) {
        if (performance.now() > deadline) return false;
        if (repeats) {
          ids = new Int32Array(keys.length);
          for (var s = 0; s < keys.length; s++) ids[s] = s;
        } else {
          var filled = [];
          for (var r = 0; r < total; r++) if (keys[r]) filled.push(r);
          ids = Int32Array.from(filled);
        }
        spare = new Int32Array(ids.length);
        unit = new Int32Array(ids.length);
        ranges = ids.length > 1 ? [0, ids.length, 0] : [];
      }
      while (ranges.length) {
        if (performance.now() > deadline) return false;
        var depth = ranges.pop(), end = ranges.pop();
        step(ranges.pop(), end, depth);
      }
      if (repeats) {  // the rows by their key's place, in walk order within it
        var starts = new Int32Array(keys.length + 1), rows = new Int32Array(total - empty.length);
        for (var p = 0; p < ids.length; p++) spare[ids[p]] = p;
        for (var q = 0; q < total; q++) if (slotOf[q] >= 0) starts[spare[slotOf[q]] + 1]++;
        for (var e = 0; e < keys.length; e++) starts[e + 1] += starts[e];
        for (var w = 0; w < total; w++) if (slotOf[w] >= 0) rows[starts[spare[slotOf[w]]]++] = w;
        ids = rows;
      }
      orders[key] = orderBy(ids, empty);
      keys = slots = slotOf = lengths = prefix = ids = spare = unit = null;
      return true;
    };
  }
  var makers = {};
  function makerOf(key) {
    return makers[key] || (makers[key] = orderMaker(key));
  }
  function sortWhenIdle() {
    Object.keys(SORT_KEYS).forEach(function (key) { whenIdle(makerOf(key)); });
  }
  function orderOf(key) {
    if (!orders[key]) {
      makeHay(Infinity);
      makerOf(key)(Infinity);
    }
    return orders[key];
  }
  // `list` (rows in walk order) in the order of `key`, descending when
  // `down`, within their folders unless `across`.
  function sorted(list, key, down, across) {
    var pick = new Uint8Array(total);
    for (var i = 0; i < list.length; i++) pick[list[i]] = 1;
    var o = orderOf(key), out = new Int32Array(list.length), n = 0;
    if (down) {
      for (var a = o.filled - 1; a >= 0; a--) if (pick[o.order[a]]) out[n++] = o.order[a];
    } else {
      for (var b = 0; b < o.filled; b++) if (pick[o.order[b]]) out[n++] = o.order[b];
    }
    for (var c = o.filled; c < total; c++) if (pick[o.order[c]]) out[n++] = o.order[c];
    if (across) return out;
    // Back into folder order, keeping the sorted order within each folder.
    var at = new Int32Array(folders.length + 1);
    for (var d = 0; d < n; d++) at[rowFolder[out[d]] + 1]++;
    for (var f = 0; f < folders.length; f++) at[f + 1] += at[f];
    var grouped = new Int32Array(n);
    for (var e = 0; e < n; e++) grouped[at[rowFolder[out[e]]]++] = out[e];
    return grouped;
  }

  function fieldsOf(row) {
    return row[TITLE] || row.length > AUTHORS || row[JOURNAL] || row[VOLUME] || row[ISSUE] ||
           row[PAGES] || row[YEAR] || row[DOI];
  }
  // The words marked in each field: free words in all, field words in theirs.
  var marks = { "": [], title: [], author: [], journal: [], doi: [], year: [] };
  function marksFor(field) { return field ? marks[field] : marks[""]; }
  function cell(kind, text, field) {
    return "<span class=\"" + kind + "\" title=\"" + esc(text) + "\">" +
           marked(text, marksFor(field)) + "</span>";
  }
  var expanded = new Uint8Array(total);
  function rowHtml(k, i) {
    var row = rowOf(k), folder = folders[rowFolder[k]];
    var found = described[k] === 1, href = esc(root + folder[HREF_FOLDER] + row[HREF]);
    var fields = fieldsOf(row), titled = fields && row[TITLE];
    var html = "<li class=\"row" + (found ? "" : " undescribed") + (titled ? " titled" : "") +
               "\" data-i=\"" + i + "\" data-k=\"" + k + "\">" +
               "<span class=\"pdf\" title=\"" + esc(folder[PUBLISHER] + "/" + folder[NAME] + "/" +
                                                     row[FILE]) + "\">" +
               "<a href=\"" + href + "\"" + (titled ? "" : " class=\"go\"") + ">" +
               marked(baseName(row[FILE]), marks[""]) + "</a>";
    if (!found) html += " <span class=\"mark\">not described</span>";
    html += "</span>";
    var more = "";
    if (hasAbstract[k] === 1) {
      more = "<button type=\"button\" class=\"more\" aria-expanded=\"" +
             (expanded[k] ? "true" : "false") + "\" aria-controls=\"a" + k + "\">" +
             (expanded[k] ? "less" : "more") + "<span class=\"vh\"> of the abstract</span></button>";
    }
    if (!fields) {
      return html + (row[LEGACY] ? cell("legacy", row[LEGACY], "")
                                 : "<span class=\"legacy none\">no description</span>") +
             more + "</li>";
    }
    html += titled ? "<span class=\"title\" title=\"" + esc(row[TITLE]) + "\"><a class=\"go\" href=\"" +
                         href + "\">" + marked(row[TITLE], marks.title) + "</a></span>"
                   : "<span class=\"title\"></span>";
    html += cell("authors", row.slice(AUTHORS).join("; "), "author") +
            cell("journal", row[JOURNAL], "journal") + cell("volume", volumeText(row), "") +
            cell("year", row[YEAR], "year") + "<span class=\"doi\">";
    if (row[DOI]) {
      html += "<a href=\"" + esc(doiHref(row[DOI])) + "\" title=\"" + esc(row[DOI]) + "\">" +
              marked(row[DOI], marks.doi).replace(/\/(?!mark>)/g, "/<wbr>") + "</a>";
    }
    return html + "</span>" + more + "</li>";
  }
  function abstractHtml(k) {
    return "<li class=\"abstract\" id=\"a" + k + "\">" +
           (segments ? marked(abstractText(k), marks[""]) : "The abstract is being read&#8230;") +
           "</li>";
  }
  var SORT_HEADS = [["", "PDF"], ["title", "Title"], ["author", "Authors"], ["journal", "Journal"],
                    ["", "Vol.(no.):pages"], ["year", "Year"], ["", "DOI"]];
  function headsHtml() {
    var html = "<div class=\"item columns\">";
    SORT_HEADS.forEach(function (head) {
      if (!head[0]) {
        html += "<span aria-hidden=\"true\">" + head[1] + "</span>";
        return;
      }
      var state = sortKey === head[0] ? (sortDown ? "descending" : "ascending") : "";
      html += "<span><button type=\"button\" class=\"sort\" data-sort=\"" + head[0] + "\"" +
              (state ? " data-state=\"" + state + "\"" : "") + " aria-label=\"Sort by " +
              head[1].toLowerCase() + (state === "ascending" ? ", now ascending" :
                                       state === "descending" ? ", now descending" : "") + "\">" +
              head[1] + (state === "ascending" ? " \u25b2" : state === "descending" ? " \u25bc" : "") +
              "</button></span>";
    });
    if (abstractCount) html += "<span aria-hidden=\"true\">Abstract</span>";
    return html + "</div>";
  }
  function countText(n, of) { return (n === of ? "" : n + " of ") + plural(of, "PDF", "PDFs"); }
  function entryText(n, of) { return n === of ? String(of) : n + "/" + of; }

  // The items of the list for the current filter, and where each starts.
  var PUB = 0, FOLDER = 1, TITLE_LINE = 2, ROW = 3, EMPTY = 4, HEADS = 5, ABSTRACT = 6;
  // px, as the style sheet fixes them, for the table and for the cards.
  var TABLE_HEIGHT = [48, 34, 26, 30, 26, 26, 180];
  var CARD_HEIGHT = [44, 34, 26, 100, 26, 0, 220];
  var HEIGHT = TABLE_HEIGHT;
  var itemKind = new Uint8Array(0), itemId = new Int32Array(0), itemTop = new Float64Array(1);
  var itemCount = 0;
  var folderItem = new Int32Array(folders.length), pubItem = new Int32Array(0);
  var perFolder = new Int32Array(folders.length), perPub = new Int32Array(0);

  function itemHtml(i) {
    var id = itemId[i];
    switch (itemKind[i]) {
      case PUB:
        return "<h2 class=\"item pub\" id=\"p" + id + "h\" tabindex=\"-1\">" +
               esc(publishers[id].name) + (preview ? "" : " <span class=\"n\">" +
               countText(perPub[id], publishers[id].total) + "</span>") + "</h2>";
      case FOLDER:
        return "<h3 class=\"item folder\" id=\"s" + id + "h\" tabindex=\"-1\">" +
               esc(folders[id][NAME]) + (preview ? "" : " <span class=\"n\">" +
               countText(perFolder[id], folders[id][COUNT]) + "</span>") + "</h3>";
      case HEADS:
        return headsHtml();
      case TITLE_LINE:
        return "<p class=\"item titles\" title=\"" + esc(folders[id][TITLES].join(" \u00b7 ")) +
               "\">" + esc(folders[id][TITLES].join(" \u00b7 ")) + "</p>";
      case EMPTY:
        return "<p class=\"item none\">No PDFs.</p>";
      case ABSTRACT:
        return abstractHtml(id);
      default:
        return rowHtml(id, i);
    }
  }

  var listEl = document.getElementById("rows");
  listEl.innerHTML = "<div id=\"list\"><div id=\"window\"></div></div>";
  var spaceEl = document.getElementById("list"), windowEl = document.getElementById("window");
  var headerEl = document.querySelector("header");
  var windowed = preview || total > EAGER_ROWS;
  var printing = false;
  if (!windowed) listEl.classList.add("whole");
  if (abstractCount) listEl.classList.add("abstracts");
  var drawn = [-1, -1];  // the items the window shows

  // Renders items [from, to) into the window, rows of one folder in one list.
  function draw(from, to) {
    var html = [], open = false;
    for (var i = from; i < to; i++) {
      var isRow = itemKind[i] === ROW || itemKind[i] === ABSTRACT;
      if (isRow && !open) html.push("<ul class=\"rows\">");
      if (!isRow && open) html.push("</ul>");
      open = isRow;
      html.push(itemHtml(i));
    }
    if (open) html.push("</ul>");
    windowEl.style.transform = windowed && !printing ? "translateY(" + itemTop[from] + "px)" : "";
    windowEl.innerHTML = html.join("");
    drawn = [from, to];
  }
  // The first item that ends below `y`.
  function itemAt(y) {
    var lo = 0, hi = itemCount;
    while (lo < hi) {
      var mid = (lo + hi) >> 1;
      if (itemTop[mid + 1] <= y) lo = mid + 1; else hi = mid;
    }
    return lo;
  }
  // Brings the window up to the screen (all items when not windowed), with
  // MARGIN px of items above and below it: what a keystroke redraws.
  var MARGIN = 60;
  function show(force) {
    if (!windowed || printing) {
      if (force || drawn[1] !== itemCount) draw(0, itemCount);
      return;
    }
    var top = -spaceEl.getBoundingClientRect().top;
    var from = itemAt(Math.max(0, top - MARGIN));
    var to = Math.min(itemCount, itemAt(top + window.innerHeight + MARGIN) + 1);
    if (force || from !== drawn[0] || to !== drawn[1]) draw(from, to);
  }
  function setMode() {
    var cards = narrowQuery.matches;
    listEl.classList.toggle("cards", cards);
    HEIGHT = cards ? CARD_HEIGHT : TABLE_HEIGHT;
    if (!cards) headerEl.classList.remove("away");
  }
  setMode();
  if (!preview) {
    // On a narrow screen the header moves away while one scrolls down and
    // comes back on the way up.
    var pending = false, lastY = window.scrollY;
    window.addEventListener("scroll", function () {
      if (pending) return;
      pending = true;
      requestAnimationFrame(function () {
        pending = false;
        var y = window.scrollY;
        if (narrowQuery.matches && Math.abs(y - lastY) > 8) {
          var away = y > lastY && y > headerEl.offsetHeight && !headerEl.contains(document.activeElement);
          headerEl.classList.toggle("away", away);
          lastY = y;
        } else if (!narrowQuery.matches) {
          headerEl.classList.remove("away");
        }
        show(false);
      });
    }, { passive: true });
    window.addEventListener("resize", function () { show(false); });
    narrowQuery.addEventListener("change", function () {
      setMode();
      layout();
      show(true);
    });
    window.addEventListener("beforeprint", function () {
      printing = true;
      listEl.classList.add("whole");
      spaceEl.style.height = "";
      show(true);
    });
    window.addEventListener("afterprint", function () {
      printing = false;
      if (windowed) listEl.classList.remove("whole");
      layout();
      show(true);
    });
  }

  // Lays the items out for the matches of the current filter.
  function layout() {
    var n = 1 + matched.length;
    for (var e = 0; e < matched.length; e++) if (expanded[matched[e]]) n++;
    if (!across) {
      publishers.forEach(function (p, pi) {
        if (!perPub[pi] && filtering) return;
        n++;
        p.folders.forEach(function (f) {
          if (!perFolder[f] && filtering) return;
          n += 3 + (folders[f][TITLES].length ? 1 : 0);
        });
      });
    }
    if (itemKind.length < n) {
      itemKind = new Uint8Array(n);
      itemId = new Int32Array(n);
      itemTop = new Float64Array(n + 1);
    }
    var i = 0, y = 0;
    function add(kind, id) {
      itemKind[i] = kind;
      itemId[i] = id;
      itemTop[i++] = y;
      y += HEIGHT[kind];
    }
    // The matches from the next one on while they are in folder `f` (any
    // folder when -1): most of the items, so laid out in locals.
    function addRows(f) {
      var at = i, top = y, next = m, rowHeight = HEIGHT[ROW], abstractHeight = HEIGHT[ABSTRACT];
      for (; next < matched.length && (f < 0 || rowFolder[matched[next]] === f); next++) {
        var k = matched[next];
        itemKind[at] = ROW;
        itemId[at] = k;
        itemTop[at++] = top;
        top += rowHeight;
        if (expanded[k]) {
          itemKind[at] = ABSTRACT;
          itemId[at] = k;
          itemTop[at++] = top;
          top += abstractHeight;
        }
      }
      i = at;
      y = top;
      m = next;
    }
    folderItem.fill(-1);
    pubItem.fill(-1);
    var m = 0;  // the next match
    if (across) {
      if (matched.length) add(HEADS, 0);
      addRows(-1);
    } else {
      publishers.forEach(function (p, pi) {
        if (!perPub[pi] && filtering) return;
        pubItem[pi] = i;
        add(PUB, pi);
        p.folders.forEach(function (f) {
          if (!perFolder[f] && filtering) return;
          folderItem[f] = i;
          add(FOLDER, f);
          if (folders[f][TITLES].length) add(TITLE_LINE, f);
          if (!folders[f][COUNT]) add(EMPTY, f); else add(HEADS, f);
          addRows(f);
        });
      });
    }
    itemCount = i;
    itemTop[i] = y;
    spaceEl.style.height = windowed && !printing ? y + "px" : "";
  }

  if (preview) {
    matched = new Int32Array(total);
    for (var r = 0; r < total; r++) matched[r] = r;
    perPub = new Int32Array(publishers.length);
    pubItem = new Int32Array(publishers.length);
    layout();
    show(true);
    rowsShown();
    return;
  }

  // The contents list, built once; its counts follow the filter while it is
  // unfolded.
  var toc = [];
  publishers.forEach(function (p, pi) {
    toc.push("<li id=\"cp" + pi + "\"><a href=\"#p" + pi + "\">" + esc(p.name) +
             "</a> <span class=\"n\">" + p.total + "</span><ul>");
    p.folders.forEach(function (f) {
      toc.push("<li id=\"cs" + f + "\"><a href=\"#s" + f + "\">" + esc(folders[f][NAME]) +
               "</a> <span class=\"n\">" + folders[f][COUNT] + "</span></li>");
    });
    toc.push("</ul></li>");
  });
  document.getElementById("contents").innerHTML = toc.join("");
  function entries(prefix, n, totalOf) {
    var out = [];
    for (var i = 0; i < n; i++) {
      var el = document.getElementById(prefix + i);
      out.push({ el: el, count: el.querySelector(".n"), n: totalOf(i), visible: true });
    }
    return out;
  }
  var folderEntries = entries("cs", folders.length, function (f) {
    return folders[f][COUNT];
  });
  var pubEntries = entries("cp", publishers.length, function (pi) {
    return publishers[pi].total;
  });
  function syncEntry(entry, n, of, visible) {
    if (entry.n !== n) {
      entry.n = n;
      entry.count.textContent = entryText(n, of);
    }
    if (entry.visible !== visible) {
      entry.visible = visible;
      entry.el.hidden = !visible;
    }
  }
  function syncContents() {
    folderEntries.forEach(function (entry, f) {
      syncEntry(entry, perFolder[f], folders[f][COUNT], perFolder[f] > 0 || !filtering);
    });
    pubEntries.forEach(function (entry, pi) {
      syncEntry(entry, perPub[pi], publishers[pi].total, perPub[pi] > 0 || !filtering);
    });
  }
  // A long contents list starts folded, so the rows stand near the top.
  var tocEl = document.getElementById("toc-details");
  tocEl.open = folders.length <= CONTENTS_OPEN;
  tocEl.addEventListener("toggle", function () {
    if (tocEl.open) syncContents();
  });

  document.getElementById("counts").textContent =
      plural(folders.length, "issue folder", "issue folders") + " \u00b7 " +
      plural(total, "PDF", "PDFs") + " \u00b7 " + describedCount + " described \u00b7 " +
      (total - describedCount) + " not described" +
      (abstractCount ? " \u00b7 " + abstractCount + " with abstracts" : "");

  var formatEl = document.getElementById("format");
  Object.keys(formats).sort().forEach(function (name) {
    var option = document.createElement("option");
    option.value = name;
    option.textContent = (name === "none" ? "none (no publisher format)" : name) + " (" +
                         formats[name] + ")";
    formatEl.appendChild(option);
  });
  var queryEl = document.getElementById("q");
  var undescribedEl = document.getElementById("undescribed");
  var sortEl = document.getElementById("sort");
  var wholeEl = document.getElementById("whole");
  var shownEl = document.getElementById("shown");

  // The last filter and the rows it matched, so that typing on narrows only
  // the rows that still match.
  var matched = [], filtering = false, sortKey = "", sortDown = false, across = false;
  perPub = new Int32Array(publishers.length);
  pubItem = new Int32Array(publishers.length);
  var last = { terms: [], format: "", undescribed: false, matched: null, indexed: false };
  // The last few filters and their rows, newest last: a filter met again
  // (a word taken back with Backspace) takes its rows from here, and one
  // typed on from any of them tests only the fewest rows among them.
  var recent = [], RECENT = 24;
  function filterKey(terms, format, onlyUndescribed) {
    return JSON.stringify([terms, format, onlyUndescribed]);
  }
  function remembered(key) {
    for (var r = recent.length - 1; r >= 0; r--) {
      if (recent[r].key === key && recent[r].indexed === !!index) return recent[r];
    }
    return null;
  }
  // The rows of the fewest among the remembered filters that hold every
  // row `terms` match, or null.
  function narrowest(terms, format, onlyUndescribed) {
    var best = null;
    recent.forEach(function (filter) {
      if (narrows(filter, terms, format, onlyUndescribed) &&
          (!best || filter.matched.length < best.length)) {
        best = filter.matched;
      }
    });
    return best;
  }
  // Whether every row `terms` match is among those `earlier` matched.
  function narrows(earlier, terms, format, onlyUndescribed) {
    if (!earlier.matched || format !== earlier.format || onlyUndescribed !== earlier.undescribed ||
        earlier.indexed !== !!index) {
      return false;
    }
    return earlier.terms.every(function (old) {
      return terms.some(function (t) {
        return t.field === old.field &&
               (old.field === "year" ? t.from >= old.from && t.to <= old.to
                                     : t.word.indexOf(old.word) !== -1);
      });
    });
  }

  // A filter that tests more rows than this runs in slices of a few
  // milliseconds when the list is a window: the rows found in the first
  // are drawn at once, and the rest, the count and the contents follow in
  // later tasks, so that no keystroke holds the page for long. A change of
  // the controls meanwhile drops the unfinished filter. The first slice
  // ends as soon as it has found a screen's worth of rows, so that they are
  // drawn at the next frame, and each slice is short, so that no frame
  // waits long for one. A filter of fewer rows is tested at once, for up to
  // WHOLE_MS, and goes on in slices past that.
  var SLICED_ROWS = 20000, SLICE_MS = 4, WHOLE_MS = 12, SCREEN_ROWS = 100;
  var running = null;  // the filter being run in slices
  var nextSlice = new MessageChannel();
  nextSlice.port1.onmessage = function () {
    if (running) step(running);
  };
  // The browser draws a frame only between tasks, and lets a stream of
  // tasks hold it back for up to about 100 ms; so once slices have run for
  // FRAME_MS since a frame was asked for, the next waits for that frame.
  var FRAME_MS = 5, frameAsked = -1;
  function askSlice() {
    var now = performance.now();
    if (frameAsked < 0) {
      frameAsked = now;
      requestAnimationFrame(function () { frameAsked = -1; });
    }
    if (now - frameAsked < FRAME_MS) nextSlice.port2.postMessage(0);
    else requestAnimationFrame(function () { nextSlice.port2.postMessage(0); });
  }

  // Shows the rows that match the controls.
  function apply() {
    var dropped = running;
    running = null;
    var terms = parseQuery(queryEl.value);
    if (terms.length) makeHay(Infinity);
    var format = formatEl.value;
    var onlyUndescribed = undescribedEl.checked;
    var key = filterKey(terms, format, onlyUndescribed);
    filtering = terms.length > 0 || format !== "" || onlyUndescribed;
    for (var field in marks) marks[field] = [];
    terms.forEach(function (t) {
      if (t.field === "year") marks.year.push.apply(marks.year, yearMarks(t));
      else marksFor(t.field).push(t.word);
    });
    marks[""].forEach(function (word) {
      ["title", "author", "journal", "doi", "year"].forEach(function (f) { marks[f].push(word); });
    });
    var again = remembered(key);
    if (again) {
      finish(again, false);
      return;
    }
    var run = filterRun(terms, format, onlyUndescribed, dropped);
    run.key = key;
    // A run of few rows is done at once, and takes a moment; one that takes
    // longer all the same (code the browser has yet to make fast, a busy
    // machine) goes on in slices as a long one does, so that no frame
    // waits long for it.
    if (!run.sliced && test(run, windowed ? performance.now() + WHOLE_MS : Infinity)) {
      finish(run, true);
      return;
    }
    running = run;
    step(run);
  }
  // Runs a slice of `run`, shows what it found and asks for the next.
  function step(run) {
    var enough = run.drawn < 0 && !sortEl.value ? SCREEN_ROWS : Infinity;
    if (test(run, performance.now() + SLICE_MS, enough)) {
      running = null;
      finish(run, true);
      return;
    }
    // Unsorted, the rows found later come after those drawn: once a
    // screen's worth is drawn, the list is drawn again when all are found.
    if (run.drawn < SCREEN_ROWS || sortEl.value) {
      arrange(run.list);
      run.drawn = run.list.length;
    }
    shownEl.textContent = "Searching\u2026 " + plural(run.list.length, "PDF", "PDFs") +
                          " found so far.";
    askSlice();
  }
  // Ends the filter being run in slices at once (a sort needs all rows).
  function settle() {
    if (!running) return;
    var run = running;
    running = null;
    test(run, Infinity);
    finish(run, true);
  }
  // Shows the rows of a finished filter, remembered when `fresh`.
  function finish(run, fresh) {
    var list = run.matched || run.list;
    last = fresh ? { key: run.key, terms: run.terms, format: run.format,
                     undescribed: run.undescribed, matched: list, indexed: run.indexed }
                 : run;
    if (fresh) {
      recent.push(last);
      if (recent.length > RECENT) recent.shift();
    }
    arrange(list);
    if (tocEl.open) syncContents();
    var foldersMatched = 0;
    for (var f = 0; f < folders.length; f++) if (perFolder[f]) foldersMatched++;
    // Until the abstracts are indexed a free word is not looked for in
    // them, and the count says so (apply runs again once they are).
    var unread = abstractCount && !index && last.terms.some(function (t) { return !t.field; });
    shownEl.textContent = filtering
        ? (unread ? "Abstracts not searched yet (still being read) \u00b7 " : "") + "Showing " + plural(list.length, "PDF", "PDFs") + " of " + total + " in " +
              plural(foldersMatched, "issue folder", "issue folders") + "."
        : "Showing all " + plural(total, "PDF", "PDFs") + ".";
  }
  // A filter to run over the rows: the rows to test (those of the
  // narrowest remembered filter that holds them all, or those an unfinished
  // one found and had still to test), a test per term and the rows found
  // so far, in walk order.
  function filterRun(terms, format, onlyUndescribed, dropped) {
    var candidates = narrowest(terms, format, onlyUndescribed);
    var n = candidates ? candidates.length : total;
    var rest = dropped ? dropped.n - dropped.i : 0;
    if (dropped && dropped.list.length + rest < n &&
        narrows({ matched: dropped.list, terms: dropped.terms, format: dropped.format,
                  undescribed: dropped.undescribed, indexed: dropped.indexed },
                terms, format, onlyUndescribed)) {
      n = dropped.list.length + rest;
      var left = new Int32Array(n);
      left.set(dropped.list);
      for (var r = 0; r < rest; r++) {
        left[dropped.list.length + r] = dropped.candidates ? dropped.candidates[dropped.i + r]
                                                           : dropped.i + r;
      }
      candidates = left;
    }
    var sliced = windowed && terms.length > 0 && n > SLICED_ROWS;
    // Over a quarter of the rows, a word is found in one pass over them
    // all (unless the filter runs in slices, a row at a time).
    var onePass = !sliced && n * 4 > total;
    var tests = terms.map(function (t) {
      if (t.field === "year") {
        return function (k) { return years[k] > 0 && years[k] >= t.from && years[k] <= t.to; };
      }
      var hit = onePass ? rowsMatching(t.word, t.field) : null;
      if (t.field) {
        if (hit) return function (k) { return hit[k] === 1; };
        var inText = finder(t.word, n);
        return function (k) { return inField(k, t.field, inText); };
      }
      var inAbstract = abstractCount ? abstractTest(t.word) : null;
      var word = t.word, inFolder = new Uint8Array(folders.length);
      for (var f = 0; f < folders.length; f++) inFolder[f] = folderHay[f].indexOf(word) !== -1 ? 1 : 0;
      if (hit) {
        return function (k) {
          return hit[k] === 1 || inFolder[rowFolder[k]] === 1 || (!!inAbstract && inAbstract(k));
        };
      }
      var has = finder(word, n);
      var inText = function (k) { return has(hayStart[k], hayStart[k + 1] - 1); };
      if (!inAbstract) return function (k) { return inFolder[rowFolder[k]] === 1 || inText(k); };
      return function (k) { return inFolder[rowFolder[k]] === 1 || inText(k) || inAbstract(k); };
    });
    return { terms: terms, format: format, undescribed: onlyUndescribed, indexed: !!index,
             candidates: candidates, n: n, tests: tests, list: [], i: 0, sliced: sliced, drawn: -1 };
  }
  // Tests the rows of `run` until `deadline` (or until it has found
  // `enough`); true once all are tested.
  function test(run, deadline, enough) {
    var candidates = run.candidates, tests = run.tests, list = run.list;
    var format = run.format, onlyUndescribed = run.undescribed;
    var i = run.i;
    while (i < run.n) {
      for (var stop = Math.min(run.n, i + 32); i < stop; i++) {
        var k = candidates ? candidates[i] : i;
        if (onlyUndescribed && described[k]) continue;
        if (format && folders[rowFolder[k]][FORMAT] !== format) continue;
        var ok = true;
        for (var w = 0; ok && w < tests.length; w++) ok = tests[w](k);
        if (ok) list.push(k);
      }
      if (i < run.n && (list.length >= enough || performance.now() >= deadline)) break;
    }
    run.i = i;
    return i >= run.n;
  }
  function yearMarks(t) {
    return t.from === t.to ? [String(t.from)] : [];
  }
  // Orders the matched rows as the sort asks and lays them out.
  function arrange(list) {
    var value = sortEl.value;
    sortDown = value.charAt(0) === "-";
    sortKey = SORT_KEYS[value.replace(/^-/, "")] ? value.replace(/^-/, "") : "";
    across = wholeEl.checked;
    if (sortKey) {
      matched = sorted(list, sortKey, sortDown, across);
    } else {
      matched = list;
    }
    perFolder.fill(0);
    perPub.fill(0);
    for (var m = 0; m < matched.length; m++) perFolder[rowFolder[matched[m]]]++;
    folders.forEach(function (folder, f) { perPub[folder.pub] += perFolder[f]; });
    listEl.classList.toggle("across", across);
    layout();
    show(true);
  }

  // The filter lives in the URL fragment:
  // #q=words&format=Embo&undescribed=1&sort=-year&whole=1.
  function fragment() {
    var params = new URLSearchParams();
    if (queryEl.value) params.set("q", queryEl.value);
    if (formatEl.value) params.set("format", formatEl.value);
    if (undescribedEl.checked) params.set("undescribed", "1");
    if (sortEl.value) params.set("sort", sortEl.value);
    if (wholeEl.checked) params.set("whole", "1");
    return params.toString();
  }
  // The browser ignores a page's URL changes past a couple of hundred in
  // ten seconds, which fast typing reaches, and a change costs a few
  // milliseconds: the URL follows once the controls have rested for 100 ms.
  var rememberLater = 0;
  function remember() {
    clearTimeout(rememberLater);
    rememberLater = setTimeout(rememberNow, 100);
  }
  function rememberNow() {
    rememberLater = 0;
    var hash = fragment();
    var url = location.href.replace(/#.*$/, "") + (hash ? "#" + hash : "");
    if (url !== location.href) history.replaceState(null, "", url);
  }
  function readFragment() {
    var hash = location.hash.slice(1);
    if (hash.indexOf("=") === -1) return false;
    var params = new URLSearchParams(hash);
    queryEl.value = params.get("q") || "";
    var format = params.get("format") || "";
    formatEl.value = formats[format] !== undefined ? format : "";
    undescribedEl.checked = params.get("undescribed") === "1";
    var sort = params.get("sort") || "";
    sortEl.value = SORT_KEYS[sort.replace(/^-/, "")] ? sort : "";
    wholeEl.checked = params.get("whole") === "1";
    return true;
  }
  function update() {
    apply();
    remember();
  }
  function reorder() {
    settle();
    arrange(last.matched || []);
    remember();
  }

  queryEl.addEventListener("input", update);
  formatEl.addEventListener("change", update);
  undescribedEl.addEventListener("change", update);
  sortEl.addEventListener("change", reorder);
  wholeEl.addEventListener("change", reorder);
  document.getElementById("filters").addEventListener("submit", function (e) {
    e.preventDefault();
  });

  // Keyboard: Down from the box to the first result, Up and Down between
  // results (Up from the first back to the box), Enter opens the PDF, Esc
  // goes back to the box (and in the box clears it).
  function rowItem(from, step) {
    for (var i = from; i >= 0 && i < itemCount; i += step) if (itemKind[i] === ROW) return i;
    return -1;
  }
  function focusItem(i) {
    if (windowed && !printing) {
      var listTop = spaceEl.getBoundingClientRect().top + window.scrollY;
      var top = listTop + itemTop[i], bottom = top + HEIGHT[ROW];
      var header = narrowQuery.matches ? 0 : headerEl.getBoundingClientRect().height;
      if (top < window.scrollY + header) window.scrollTo(0, top - header - 8);
      else if (bottom > window.scrollY + window.innerHeight) {
        window.scrollTo(0, bottom - window.innerHeight + 8);
      }
      show(false);
    }
    var row = windowEl.querySelector(".row[data-i=\"" + i + "\"]");
    var link = row && row.querySelector("a.go");
    if (!link) return;
    link.focus({ preventScroll: windowed });
    if (!windowed) {
      var r = row.getBoundingClientRect();
      var covered = narrowQuery.matches ? 0 : headerEl.getBoundingClientRect().bottom;
      if (r.top < covered) window.scrollBy(0, r.top - covered - 8);
      else if (r.bottom > window.innerHeight) window.scrollBy(0, r.bottom - window.innerHeight + 8);
    }
  }
  queryEl.addEventListener("keydown", function (e) {
    if (e.key === "Escape" && queryEl.value) {
      e.preventDefault();
      queryEl.value = "";
      update();
    } else if (e.key === "ArrowDown") {
      var first = rowItem(0, 1);
      if (first !== -1) {
        e.preventDefault();
        focusItem(first);
      }
    }
  });
  listEl.addEventListener("keydown", function (e) {
    var row = e.target.closest && e.target.closest(".row");
    if (e.key === "Escape") {
      e.preventDefault();
      queryEl.focus();
      return;
    }
    if (!row || (e.key !== "ArrowDown" && e.key !== "ArrowUp")) return;
    e.preventDefault();
    var at = Number(row.dataset.i), down = e.key === "ArrowDown";
    var next = rowItem(at + (down ? 1 : -1), down ? 1 : -1);
    if (next !== -1) focusItem(next);
    else if (!down) queryEl.focus();
  });
  listEl.addEventListener("click", function (e) {
    var button = e.target.closest("button");
    if (!button) return;
    if (button.classList.contains("sort")) {
      var key = button.dataset.sort;
      sortEl.value = sortKey === key && !sortDown ? "-" + key : key;
      reorder();
      var again = windowEl.querySelector("button.sort[data-sort=\"" + key + "\"]");
      if (again) again.focus();
    } else if (button.classList.contains("more")) {
      var row = button.closest(".row"), k = Number(row.dataset.k);
      expanded[k] ^= 1;
      layout();
      show(true);
      var same = windowEl.querySelector(".row[data-k=\"" + k + "\"] .more");
      if (same) same.focus();
    }
  });
  document.addEventListener("keydown", function (e) {
    if (e.key !== "/" || e.ctrlKey || e.metaKey || e.altKey) return;
    var target = e.target;
    if (target.isContentEditable || /^(INPUT|SELECT|TEXTAREA)$/.test(target.tagName)) return;
    e.preventDefault();
    headerEl.classList.remove("away");
    queryEl.focus();
    queryEl.select();
  });
  queryEl.addEventListener("focus", function () { headerEl.classList.remove("away"); });
  window.addEventListener("hashchange", function () {
    if (readFragment()) apply();
  });
  // Contents links move to their heading without touching the fragment,
  // which holds the filter.
  function goTo(id) {
    var kind = id.charAt(0), n = Number(id.slice(1));
    var item = kind === "s" && n < folders.length ? folderItem[n]
             : kind === "p" && n < publishers.length ? pubItem[n] : -1;
    if (!(item >= 0)) return false;
    // The sticky header covers the top of the screen.
    var header = headerEl.getBoundingClientRect().height;
    var heading = document.getElementById(id + "h");
    if (windowed && !printing) {
      window.scrollTo(0, spaceEl.getBoundingClientRect().top + window.scrollY + itemTop[item] -
                             header);
      show(false);
      heading = document.getElementById(id + "h");
    } else if (heading) {
      window.scrollTo(0, heading.getBoundingClientRect().top + window.scrollY - header - 8);
    }
    if (heading) heading.focus({ preventScroll: true });
    return true;
  }
  document.getElementById("contents").addEventListener("click", function (e) {
    var link = e.target.closest("a");
    if (link && goTo(link.getAttribute("href").slice(1))) e.preventDefault();
  });

  if (readFragment()) {
    apply();
  } else {
    apply();
    if (location.hash) goTo(location.hash.slice(1));
  }
  document.documentElement.dataset.ready = "1";
  rowsShown();
  if (performance.mark) performance.mark("pdfindex-ready");
  ["keydown", "input", "change", "pointerdown", "wheel", "scroll"].forEach(function (type) {
    window.addEventListener(type, function () { lastInput = performance.now(); },
                            { capture: true, passive: true });
  });
  // The rows' texts, then the sort orders (from those texts), are made
  // before the abstracts are folded, so that a sort is ready soon.
  whenIdle(makeHay);
  sortWhenIdle();
  if (abstractCount) {
    if (document.readyState === "loading") {
      document.addEventListener("DOMContentLoaded", indexAbstracts);
    } else {
      indexAbstracts();
    }
  }
}

// Marks the time the first rows are shown.
var rowsMarked = false;
function rowsShown() {
  if (!rowsMarked && performance.mark) performance.mark("pdfindex-rows");
  rowsMarked = true;
}
function failed(error) {
  document.getElementById("counts").textContent =
      "This browser cannot read the page's data (" + error + ").";
}
if (typeof DecompressionStream === "undefined") {
  failed("it has no DecompressionStream");
} else {
  // The data is read once the parser has passed it; until then the rows
  // ahead of it are shown, unless the fragment asks for another view.
  document.addEventListener("pdfindex-data", function () {
    inflated("catalogue").then(function (text) { page(text); }, failed);
  });
  var first = document.getElementById("first");
  if (first && location.hash.length <= 1) page(JSON.parse(first.textContent), true);
}
})();
