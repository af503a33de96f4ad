"use strict";
// Renders the catalogue data of this page and filters its rows as one types.
// Every name and text from the data is escaped before it enters the page.
//
// The list is one column of items (publisher headings, issue folder
// headings, title lines, PDF rows). A small catalogue is rendered whole; a
// large one is rendered as a window over the items near the screen, each
// item of a fixed height, so that a keystroke costs a pass over the data
// and a few dozen elements, however many PDFs there are.
(function () {
  var data = JSON.parse(document.getElementById("catalogue").textContent);
  var folders = data.folders;
  // Folder fields and row fields, in the order the data holds them.
  var PUBLISHER = 0, NAME = 1, FORMAT = 2, HREF_FOLDER = 3, TITLES = 4, ROWS = 5;
  var FILE = 0, HREF = 1, FOUND = 2, TITLE = 3, AUTHORS = 4, JOURNAL = 5, VOLUME = 6,
      ISSUE = 7, PAGES = 8, YEAR = 9, DOI = 10, LEGACY = 11;
  // Up to this many rows the whole list is rendered (so the browser's own
  // find sees every row and rows wrap their text); above it, a window.
  var EAGER_ROWS = 3000;
  // Up to this many issue folders the contents list starts unfolded.
  var CONTENTS_OPEN = 40;

  var ESCAPES = { "&": "&amp;", "<": "&lt;", ">": "&gt;", "\"": "&quot;", "'": "&#39;" };
  function esc(text) {
    return String(text).replace(/[&<>"']/g, function (c) { return ESCAPES[c]; });
  }
  // Text for matching: lower case, accents dropped.
  function fold(text) {
    text = text.toLowerCase();
    if (/[^\u0000-\u007f]/.test(text)) {
      text = text.normalize("NFD").replace(/[\u0300-\u036f]/g, "").replace(/\u00df/g, "ss");
    }
    return text;
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

  // The rows, flat: row k's data, folder, text for matching, described.
  var rows = [], rowFolder = [], hay = [], described = [];
  var publishers = [];  // {name, folders: [folder index], total}
  var formats = {};     // format -> PDF count
  var describedCount = 0;
  folders.forEach(function (folder, f) {
    var p = publishers[publishers.length - 1];
    if (!p || p.name !== folder[PUBLISHER]) {
      p = { name: folder[PUBLISHER], folders: [], total: 0 };
      publishers.push(p);
    }
    p.folders.push(f);
    p.total += folder[ROWS].length;
    folder.pub = publishers.length - 1;
    var path = folder[PUBLISHER] + "/" + folder[NAME] + "/";
    var common = "\n" + folder[TITLES].join("\n") + "\n" + folder[FORMAT];
    folder[ROWS].forEach(function (row) {
      rows.push(row);
      rowFolder.push(f);
      described.push(row[FOUND] === 1);
      if (row[FOUND] === 1) describedCount++;
      hay.push(fold(path + row[FILE] + "\n" + row[TITLE] + "\n" + row[AUTHORS].join("\n") +
                    "\n" + row[JOURNAL] + "\n" + volumeText(row) + "\n" + row[YEAR] + "\n" +
                    row[DOI] + "\n" + row[LEGACY] + common));
    });
    formats[folder[FORMAT]] = (formats[folder[FORMAT]] || 0) + folder[ROWS].length;
  });
  var total = rows.length;


  function fieldsOf(row) {
    return row[TITLE] || row[AUTHORS].length || row[JOURNAL] || row[VOLUME] || row[ISSUE] ||
           row[PAGES] || row[YEAR] || row[DOI];
  }
  function cell(kind, text) {
    return "<span class=\"" + kind + "\" title=\"" + esc(text) + "\">" + esc(text) + "</span>";
  }
  function rowHtml(k) {
    var row = rows[k], folder = folders[rowFolder[k]];
    var found = row[FOUND] === 1;
    var html = (found ? "<li class=\"row\">" : "<li class=\"row undescribed\">") +
               "<span class=\"pdf\"><a href=\"" +
               esc(data.root + folder[HREF_FOLDER] + row[HREF]) + "\">" +
               esc(baseName(row[FILE])) + "</a>";
    if (!found) html += " <span class=\"mark\">not described</span>";
    html += "</span>";
    if (!fieldsOf(row)) {
      return html + (row[LEGACY] ? cell("legacy", row[LEGACY])
                                 : "<span class=\"legacy none\">no description</span>") +
             "</li>";
    }
    html += cell("title", row[TITLE]) + cell("authors", row[AUTHORS].join("; ")) +
            cell("journal", row[JOURNAL]) + cell("volume", volumeText(row)) +
            cell("year", row[YEAR]) + "<span class=\"doi\">";
    if (row[DOI]) html += "<a href=\"" + esc(doiHref(row[DOI])) + "\">" + esc(row[DOI]) + "</a>";
    return html + "</span></li>";
  }
  var COLUMNS = "<div class=\"item columns\" aria-hidden=\"true\"><span>PDF</span><span>Title</span>" +
                "<span>Authors</span><span>Journal</span><span>Vol.(no.):pages</span>" +
                "<span>Year</span><span>DOI</span></div>";
  function countText(n, of) { return (n === of ? "" : n + " of ") + plural(of, "PDF", "PDFs"); }
  function entryText(n, of) { return n === of ? String(of) : n + "/" + of; }

  // The items of the list for the current filter, and where each starts.
  var PUB = 0, FOLDER = 1, TITLE_LINE = 2, ROW = 3, EMPTY = 4, HEADS = 5;
  var HEIGHT = [48, 34, 26, 30, 26, 26];  // px, as the style sheet fixes them
  var itemKind = new Uint8Array(0), itemId = new Int32Array(0), itemTop = new Float64Array(1);
  var itemCount = 0;
  var folderItem = new Int32Array(folders.length), pubItem = new Int32Array(0);
  var perFolder = new Int32Array(folders.length), perPub = new Int32Array(0);

  function itemHtml(i) {
    var id = itemId[i];
    switch (itemKind[i]) {
      case PUB:
        return "<h2 class=\"item pub\" id=\"p" + id + "h\" tabindex=\"-1\">" +
               esc(publishers[id].name) + " <span class=\"n\">" +
               countText(perPub[id], publishers[id].total) + "</span></h2>";
      case FOLDER:
        return "<h3 class=\"item folder\" id=\"s" + id + "h\" tabindex=\"-1\">" +
               esc(folders[id][NAME]) + " <span class=\"n\">" +
               countText(perFolder[id], folders[id][ROWS].length) + "</span></h3>";
      case HEADS:
        return COLUMNS;
      case TITLE_LINE:
        return "<p class=\"item titles\" title=\"" + esc(folders[id][TITLES].join(" \u00b7 ")) +
               "\">" + esc(folders[id][TITLES].join(" \u00b7 ")) + "</p>";
      case EMPTY:
        return "<p class=\"item none\">No PDFs.</p>";
      default:
        return rowHtml(id);
    }
  }

  var listEl = document.getElementById("rows");
  listEl.innerHTML = "<div id=\"list\"><div id=\"window\"></div></div>";
  var spaceEl = document.getElementById("list"), windowEl = document.getElementById("window");
  var windowed = total > EAGER_ROWS;
  var printing = false;
  if (!windowed) listEl.classList.add("whole");
  var drawn = [-1, -1];  // the items the window shows

  // Renders items [from, to) into the window, rows of one folder in one list.
  function draw(from, to) {
    var html = [], open = false;
    for (var i = from; i < to; i++) {
      var isRow = itemKind[i] === ROW;
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
  // Brings the window up to the screen (all items when not windowed).
  function show(force) {
    if (!windowed || printing) {
      if (force || drawn[1] !== itemCount) draw(0, itemCount);
      return;
    }
    var top = -spaceEl.getBoundingClientRect().top;
    var from = itemAt(Math.max(0, top - 400));
    var to = Math.min(itemCount, itemAt(top + window.innerHeight + 400) + 1);
    if (force || from !== drawn[0] || to !== drawn[1]) draw(from, to);
  }
  var pending = false;
  window.addEventListener("scroll", function () {
    if (pending) return;
    pending = true;
    requestAnimationFrame(function () {
      pending = false;
      show(false);
    });
  }, { passive: true });
  window.addEventListener("resize", function () { show(false); });
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

  // Lays the items out for the matches of the current filter.
  function layout() {
    var n = 0;
    publishers.forEach(function (p, pi) {
      if (!perPub[pi] && filtering) return;
      n++;
      p.folders.forEach(function (f) {
        if (!perFolder[f] && filtering) return;
        n += 2 + (folders[f][TITLES].length ? 1 : 0) + Math.max(perFolder[f], 1);
      });
    });
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
    folderItem.fill(-1);
    pubItem.fill(-1);
    var m = 0;  // the next match
    publishers.forEach(function (p, pi) {
      if (!perPub[pi] && filtering) return;
      pubItem[pi] = i;
      add(PUB, pi);
      p.folders.forEach(function (f) {
        if (!perFolder[f] && filtering) {
          return;
        }
        folderItem[f] = i;
        add(FOLDER, f);
        if (folders[f][TITLES].length) add(TITLE_LINE, f);
        if (!folders[f][ROWS].length) add(EMPTY, f); else add(HEADS, f);
        while (m < matched.length && rowFolder[matched[m]] === f) add(ROW, matched[m++]);
      });
    });
    itemCount = i;
    itemTop[i] = y;
    spaceEl.style.height = windowed && !printing ? y + "px" : "";
  }

  // The contents list, built once; its counts follow the filter while it is
  // unfolded.
  var toc = [];
  publishers.forEach(function (p, pi) {
    toc.push("<li id=\"cp" + pi + "\"><a href=\"#p" + pi + "\">" + esc(p.name) +
             "</a> <span class=\"n\">" + p.total + "</span><ul>");
    p.folders.forEach(function (f) {
      toc.push("<li id=\"cs" + f + "\"><a href=\"#s" + f + "\">" + esc(folders[f][NAME]) +
               "</a> <span class=\"n\">" + folders[f][ROWS].length + "</span></li>");
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
    return folders[f][ROWS].length;
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
      syncEntry(entry, perFolder[f], folders[f][ROWS].length, perFolder[f] > 0 || !filtering);
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
      (total - describedCount) + " not described";

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
  var shownEl = document.getElementById("shown");

  // The last filter and the rows it matched, so that typing on narrows only
  // the rows that still match.
  var matched = [], filtering = false;
  perPub = new Int32Array(publishers.length);
  pubItem = new Int32Array(publishers.length);
  var last = { words: [], format: "", undescribed: false, matched: null };
  function narrows(words, format, onlyUndescribed) {
    if (!last.matched || format !== last.format || onlyUndescribed !== last.undescribed) {
      return false;
    }
    return last.words.every(function (old) {
      return words.some(function (w) { return w.indexOf(old) !== -1; });
    });
  }

  // Shows the rows that match the controls.
  function apply() {
    var words = fold(queryEl.value).split(/\s+/).filter(Boolean);
    var format = formatEl.value;
    var onlyUndescribed = undescribedEl.checked;
    var candidates = narrows(words, format, onlyUndescribed) ? last.matched : null;
    matched = [];
    var n = candidates ? candidates.length : total;
    for (var i = 0; i < n; i++) {
      var k = candidates ? candidates[i] : i;
      if (onlyUndescribed && described[k]) continue;
      if (format && folders[rowFolder[k]][FORMAT] !== format) continue;
      var text = hay[k], ok = true;
      for (var w = 0; ok && w < words.length; w++) ok = text.indexOf(words[w]) !== -1;
      if (ok) matched.push(k);
    }
    last = { words: words, format: format, undescribed: onlyUndescribed, matched: matched };
    filtering = words.length > 0 || format !== "" || onlyUndescribed;

    perFolder.fill(0);
    perPub.fill(0);
    for (var m = 0; m < matched.length; m++) perFolder[rowFolder[matched[m]]]++;
    var foldersMatched = 0;
    folders.forEach(function (folder, f) {
      perPub[folder.pub] += perFolder[f];
      if (perFolder[f]) foldersMatched++;
    });
    layout();
    show(true);
    if (tocEl.open) syncContents();
    shownEl.textContent = filtering
        ? "Showing " + plural(matched.length, "PDF", "PDFs") + " of " + total + " in " +
              plural(foldersMatched, "issue folder", "issue folders") + "."
        : "Showing all " + plural(total, "PDF", "PDFs") + ".";
  }

  // The filter lives in the URL fragment: #q=words&format=Embo&undescribed=1.
  function fragment() {
    var params = new URLSearchParams();
    if (queryEl.value) params.set("q", queryEl.value);
    if (formatEl.value) params.set("format", formatEl.value);
    if (undescribedEl.checked) params.set("undescribed", "1");
    return params.toString();
  }
  function remember() {
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
    return true;
  }
  function update() {
    apply();
    remember();
  }

  queryEl.addEventListener("input", update);
  formatEl.addEventListener("change", update);
  undescribedEl.addEventListener("change", update);
  document.getElementById("filters").addEventListener("submit", function (e) {
    e.preventDefault();
  });
  queryEl.addEventListener("keydown", function (e) {
    if (e.key === "Escape" && queryEl.value) {
      e.preventDefault();
      queryEl.value = "";
      update();
    }
  });
  document.addEventListener("keydown", function (e) {
    if (e.key !== "/" || e.ctrlKey || e.metaKey || e.altKey) return;
    var target = e.target;
    if (target.isContentEditable || /^(INPUT|SELECT|TEXTAREA)$/.test(target.tagName)) return;
    e.preventDefault();
    queryEl.focus();
    queryEl.select();
  });
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
    var header = document.querySelector("header").getBoundingClientRect().height;
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
})();
