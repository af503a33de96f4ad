"use strict";
// Renders the catalogue data of this page and filters its rows as one types.
// Every name and text from the data is escaped before it enters the page.
(function () {
  var data = JSON.parse(document.getElementById("catalogue").textContent);
  var folders = data.folders;
  // Row fields, in the order the data holds them.
  var FILE = 0, HREF = 1, FOUND = 2, TITLE = 3, AUTHORS = 4, JOURNAL = 5, VOLUME = 6,
      ISSUE = 7, PAGES = 8, YEAR = 9, DOI = 10, LEGACY = 11;

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

  // The rows, flat: for row k, its folder, its text for matching and
  // whether it is shown.
  var rowFolder = [], hay = [], described = [];
  var publishers = [];  // {name, folders: [folder index]}
  var formats = {};     // format -> PDF count
  var describedCount = 0;
  folders.forEach(function (folder, f) {
    var p = publishers[publishers.length - 1];
    if (!p || p.name !== folder[0]) {
      p = { name: folder[0], folders: [] };
      publishers.push(p);
    }
    p.folders.push(f);
    folder.pub = publishers.length - 1;
    folder.first = rowFolder.length;
    var path = folder[0] + "/" + folder[1] + "/";
    var titles = folder[4].join("\n");
    folder[5].forEach(function (row) {
      rowFolder.push(f);
      described.push(row[FOUND] === 1);
      if (row[FOUND] === 1) describedCount++;
      hay.push(fold([path + row[FILE], row[TITLE], row[AUTHORS].join("\n"), row[JOURNAL],
                     volumeText(row), row[YEAR], row[DOI], row[LEGACY], titles,
                     folder[2]].join("\n")));
    });
    formats[folder[2]] = (formats[folder[2]] || 0) + folder[5].length;
  });
  var total = rowFolder.length;

  function rowHtml(folder, row) {
    var found = row[FOUND] === 1;
    var html = found ? "<tr>" : "<tr class=\"undescribed\">";
    html += "<td class=\"pdf\"><a href=\"" + esc(data.root + folder[3] + row[HREF]) + "\">" +
            esc(baseName(row[FILE])) + "</a>";
    if (!found) html += "<span class=\"mark\">not described</span>";
    html += "</td>";
    var fields = row[TITLE] || row[AUTHORS].length || row[JOURNAL] || row[VOLUME] ||
                 row[ISSUE] || row[PAGES] || row[YEAR] || row[DOI];
    if (!fields) {
      html += "<td class=\"legacy\" colspan=\"6\">" +
              (row[LEGACY] ? esc(row[LEGACY]) : "<span class=\"none\">no description</span>") +
              "</td></tr>";
      return html;
    }
    html += "<td>" + esc(row[TITLE]) + "</td><td>" + esc(row[AUTHORS].join("; ")) + "</td><td>" +
            esc(row[JOURNAL]) + "</td><td>" + esc(volumeText(row)) + "</td><td>" +
            esc(row[YEAR]) + "</td><td>";
    if (row[DOI]) html += "<a href=\"" + esc(doiHref(row[DOI])) + "\">" + esc(row[DOI]) + "</a>";
    return html + "</td></tr>";
  }

  var HEAD = "<thead><tr><th scope=\"col\">PDF</th><th scope=\"col\">Title</th>" +
             "<th scope=\"col\">Authors</th><th scope=\"col\">Journal</th>" +
             "<th scope=\"col\">Volume(issue):pages</th><th scope=\"col\">Year</th>" +
             "<th scope=\"col\">DOI</th></tr></thead>";

  // The sections and the contents list, all at once.
  var main = [], toc = [];
  publishers.forEach(function (p, pi) {
    var count = 0;
    p.folders.forEach(function (f) { count += folders[f][5].length; });
    p.total = count;
    main.push("<section class=\"publisher\" id=\"p" + pi + "\" aria-labelledby=\"p" + pi +
              "h\"><h2 id=\"p" + pi + "h\" tabindex=\"-1\">" + esc(p.name) +
              " <span class=\"n\">" + plural(count, "PDF", "PDFs") + "</span></h2>");
    toc.push("<li id=\"cp" + pi + "\"><a href=\"#p" + pi + "\">" + esc(p.name) +
             "</a> <span class=\"n\">" + count + "</span><ul>");
    p.folders.forEach(function (f) {
      var folder = folders[f];
      main.push("<section class=\"issue\" id=\"s" + f + "\" aria-labelledby=\"s" + f +
                "h\"><h3 id=\"s" + f + "h\" tabindex=\"-1\">" + esc(folder[1]) +
                " <span class=\"n\">" + plural(folder[5].length, "PDF", "PDFs") +
                "</span></h3>");
      if (folder[4].length) {
        main.push("<ul class=\"titles\">" + folder[4].map(function (t) {
          return "<li>" + esc(t) + "</li>";
        }).join("") + "</ul>");
      }
      if (folder[5].length) {
        var rows = folder[5].map(function (row) { return rowHtml(folder, row); });
        main.push("<table>" + HEAD + "<tbody>" + rows.join("") + "</tbody></table>");
      } else {
        main.push("<p class=\"none\">No PDFs.</p>");
      }
      main.push("</section>");
      toc.push("<li id=\"cs" + f + "\"><a href=\"#s" + f + "\">" + esc(folder[1]) +
               "</a> <span class=\"n\">" + folder[5].length + "</span></li>");
    });
    main.push("</section>");
    toc.push("</ul></li>");
  });
  var mainEl = document.getElementById("rows");
  mainEl.innerHTML = main.join("");
  document.getElementById("contents").innerHTML = toc.join("");

  var rowEls = mainEl.getElementsByTagName("tbody");
  var rowEl = [];
  for (var t = 0; t < rowEls.length; t++) {
    var trs = rowEls[t].rows;
    for (var r = 0; r < trs.length; r++) rowEl.push(trs[r]);
  }
  var shown = new Array(total).fill(true);
  var folderShown = folders.map(function (folder) { return folder[5].length; });
  var pubShown = publishers.map(function (p) { return p.total; });

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

  function countText(n, of) {
    return (n === of ? "" : n + " of ") + plural(of, "PDF", "PDFs");
  }

  // Shows the rows that match the controls; touches only what changed.
  function apply() {
    var words = fold(queryEl.value).split(/\s+/).filter(Boolean);
    var format = formatEl.value;
    var onlyUndescribed = undescribedEl.checked;
    var perFolder = new Array(folders.length).fill(0);
    var matched = 0;
    for (var k = 0; k < total; k++) {
      var ok = !(onlyUndescribed && described[k]) &&
               (!format || folders[rowFolder[k]][2] === format);
      for (var w = 0; ok && w < words.length; w++) ok = hay[k].indexOf(words[w]) !== -1;
      if (ok) {
        perFolder[rowFolder[k]]++;
        matched++;
      }
      if (ok !== shown[k]) {
        shown[k] = ok;
        rowEl[k].hidden = !ok;
      }
    }
    var filtering = words.length > 0 || format !== "" || onlyUndescribed;
    var perPub = new Array(publishers.length).fill(0);
    var foldersMatched = 0;
    folders.forEach(function (folder, f) {
      var n = perFolder[f];
      perPub[folder.pub] += n;
      if (n) foldersMatched++;
      // A folder without PDFs stays while nothing narrows the list.
      var visible = n > 0 || !filtering;
      if (n !== folderShown[f] || visible !== !folder.hiddenNow) {
        folderShown[f] = n;
        folder.hiddenNow = !visible;
        var section = document.getElementById("s" + f);
        section.hidden = !visible;
        section.querySelector("h3 .n").textContent = countText(n, folder[5].length);
        var entry = document.getElementById("cs" + f);
        entry.hidden = !visible;
        entry.querySelector(".n").textContent = n === folder[5].length ? n : n + "/" +
                                                folder[5].length;
      }
    });
    publishers.forEach(function (p, pi) {
      var n = perPub[pi];
      var visible = n > 0 || !filtering;
      if (n !== pubShown[pi] || visible !== !p.hiddenNow) {
        pubShown[pi] = n;
        p.hiddenNow = !visible;
        document.getElementById("p" + pi).hidden = !visible;
        document.querySelector("#p" + pi + " > h2 .n").textContent = countText(n, p.total);
        var entry = document.getElementById("cp" + pi);
        entry.hidden = !visible;
        entry.querySelector(".n").textContent = n === p.total ? n : n + "/" + p.total;
      }
    });
    shownEl.textContent = filtering
        ? "Showing " + plural(matched, "PDF", "PDFs") + " of " + total + " in " +
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
    var state = fragment();
    var url = location.href.replace(/#.*$/, "") + (state ? "#" + state : "");
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
  // Contents links move to their section without touching the fragment,
  // which holds the filter.
  function goTo(id) {
    var heading = document.getElementById(id + "h");
    if (!heading) return false;
    heading.scrollIntoView();
    heading.focus({ preventScroll: true });
    return true;
  }
  document.getElementById("contents").addEventListener("click", function (e) {
    var link = e.target.closest("a");
    if (!link) return;
    if (goTo(link.getAttribute("href").slice(1))) e.preventDefault();
  });

  if (readFragment()) {
    apply();
  } else {
    apply();
    if (location.hash) goTo(location.hash.slice(1));
  }
  document.documentElement.dataset.ready = "1";
})();
