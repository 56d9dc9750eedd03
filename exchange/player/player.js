// The reader's page: steps through the key couplet by couplet. The key is the bracketed key that the
// page shows without script; the place is the URL fragment, so Back, Forward, reload and links work:
//   #2-1-1      the leads chosen from the first couplet, counted from 1
//   #e12        the couplet with that id, reached the shortest way (started at where no way leads)
//   #x12:1-2    the leads chosen from another couplet than the first
//   ...~3,17    only the taxa 3 and 17 kept (counted from 1 in the order of the taxa)
// The first couplet stands in the page already: the key is read once it has been drawn.
(function (start) {
    if (document.getElementById("couplet").hasChildNodes() && !document.hidden) {
        requestAnimationFrame(function () {
            setTimeout(start);
        });
    } else {
        start();
    }
})(function () {
    "use strict";
    var doc = document;
    function element(id) {
        return doc.getElementById(id);
    }
    function each(list, work) {
        Array.prototype.forEach.call(list, work);
    }
    var texts = element("player").dataset;
    var coupletBox = element("couplet");
    var resultBox = element("result");
    var whole = element("whole");

    // The markup of `node` as it stands inside a lead, which is a link itself and so holds no other:
    // each of the author's links a marked word that opens its page beside the player.
    function insideLead(node) {
        if (!node.querySelector("a[href]")) {
            return node.innerHTML;
        }
        var copy = node.cloneNode(true);
        each(copy.querySelectorAll("a[href]"), function (link) {
            var mark = doc.createElement("span");
            mark.className = "ext";
            mark.setAttribute("data-href", link.getAttribute("href"));
            while (link.firstChild) {
                mark.appendChild(link.firstChild);
            }
            link.parentNode.replaceChild(mark, link);
        });
        return copy.innerHTML;
    }
    coupletBox.addEventListener("click", function (event) {
        var mark = event.target.closest(".ext");
        if (mark) {
            event.preventDefault();
            window.open(mark.getAttribute("data-href"), "_blank", "noopener");
        }
    });
    // Printed, the introduction shows whole.
    window.addEventListener("beforeprint", function () {
        each(doc.querySelectorAll("details"), function (details) {
            details.open = true;
        });
    });

    // The key, read from the whole key.
    var couplets = [];
    var coupletAt = Object.create(null);
    var taxa = [];
    each(doc.querySelectorAll("#bracketed > .e"), function (entry, index) {
        coupletAt[entry.id] = index;
        couplets.push({ entry: entry, id: entry.id, leads: [], from: [], rows: [] });
    });
    couplets.forEach(function (couplet, index) {
        couplet.number = couplet.entry.querySelector(".l").firstElementChild.innerHTML;
        each(couplet.entry.children, function (paragraph) {
            var target = paragraph.lastElementChild;
            if (paragraph.tagName !== "P" || !target || target.classList.contains("l")) {
                return;
            }
            var lead = { paragraph: paragraph, shown: insideLead(target), couplet: -1, taxon: -1, html: null };
            if (target.hasAttribute("data-t")) {
                lead.taxon = +target.getAttribute("data-t");
                taxa[lead.taxon] = taxa[lead.taxon] || { html: target.innerHTML, text: target.textContent };
            } else if (target.tagName === "A") {
                lead.couplet = coupletAt[target.getAttribute("href").slice(1)];
            }
            couplet.leads.push(lead);
        });
    });
    couplets.forEach(function (couplet, index) {
        couplet.leads.forEach(function (lead) {
            var to = couplets[lead.couplet];
            if (to && to.from[to.from.length - 1] !== index) {
                to.from.push(index);
            }
        });
    });
    // A lead's statement: its paragraph without the label and the target.
    function statement(lead) {
        if (lead.html === null) {
            var copy = lead.paragraph.cloneNode(true);
            copy.removeChild(copy.lastElementChild);
            copy.removeChild(copy.querySelector(".l"));
            lead.html = insideLead(copy).trim();
        }
        return lead.html;
    }

    // Visits the taxa reachable from a couplet until `visit` says enough; each couplet is entered
    // once, so a loop ends where it closes.
    function visitTaxa(start, visit) {
        var seen = new Uint8Array(couplets.length);
        var stack = [start];
        seen[start] = 1;
        while (stack.length) {
            var leads = couplets[stack.pop()].leads;
            for (var i = 0; i < leads.length; i++) {
                var lead = leads[i];
                if (lead.taxon >= 0) {
                    if (visit(lead.taxon)) {
                        return true;
                    }
                } else if (lead.couplet >= 0 && !seen[lead.couplet]) {
                    seen[lead.couplet] = 1;
                    stack.push(lead.couplet);
                }
            }
        }
        return false;
    }
    function reach(start) {
        var found = new Set();
        visitTaxa(start, function (taxon) {
            found.add(taxon);
        });
        return found;
    }
    // The couplets that lead on to a kept taxon, found backwards from the leads to them; made once
    // for each set of kept taxa.
    var keptFor = { keep: null, couplets: null };
    function keptCouplets(keep) {
        if (keptFor.keep !== keep) {
            var kept = new Uint8Array(couplets.length);
            var stack = [];
            couplets.forEach(function (couplet, index) {
                if (couplet.leads.some(function (lead) {
                    return keep.has(lead.taxon);
                })) {
                    kept[index] = 1;
                    stack.push(index);
                }
            });
            while (stack.length) {
                couplets[stack.pop()].from.forEach(function (from) {
                    if (!kept[from]) {
                        kept[from] = 1;
                        stack.push(from);
                    }
                });
            }
            keptFor = { keep: keep, couplets: kept };
        }
        return keptFor.couplets;
    }
    function leadKeeps(lead, keep) {
        if (lead.taxon >= 0) {
            return keep.has(lead.taxon);
        }
        return lead.couplet >= 0 && keptCouplets(keep)[lead.couplet] === 1;
    }
    // The one lead of a couplet that leads on to kept taxa, or -1 where its leads separate them.
    function onlyLead(couplet, keep) {
        var only = -1;
        var leads = couplets[couplet].leads;
        for (var i = 0; i < leads.length; i++) {
            if (leadKeeps(leads[i], keep)) {
                if (only >= 0) {
                    return -1;
                }
                only = i;
            }
        }
        return only;
    }

    // The leads of the shortest way from the first couplet to `goal`, or null.
    function wayTo(goal) {
        var before = new Map([[0, null]]);
        var queue = [0];
        for (var head = 0; head < queue.length && !before.has(goal); head++) {
            var at = queue[head];
            couplets[at].leads.forEach(function (lead, index) {
                if (lead.couplet >= 0 && !before.has(lead.couplet)) {
                    before.set(lead.couplet, { couplet: at, lead: index });
                    queue.push(lead.couplet);
                }
            });
        }
        if (!before.has(goal)) {
            return null;
        }
        var steps = [];
        for (var step = before.get(goal); step; step = before.get(step.couplet)) {
            steps.unshift(step.lead);
        }
        return steps;
    }

    function fragment(start, steps, keep) {
        var text = (start ? couplets[start].id + ":" : "") + steps.map(function (step) {
            return step + 1;
        }).join("-");
        if (keep) {
            text += "~" + Array.from(keep).sort(function (a, b) {
                return a - b;
            }).map(function (taxon) {
                return taxon + 1;
            }).join(",");
        }
        return text;
    }

    function parse(hash) {
        var text = hash.replace(/^#/, "");
        try {
            text = decodeURIComponent(text);
        } catch (error) {
            text = "";
        }
        var state = { start: 0, steps: [], keep: null };
        var tilde = text.indexOf("~");
        if (tilde >= 0) {
            var keep = new Set();
            text.slice(tilde + 1).split(",").forEach(function (number) {
                if (/^\d+$/.test(number) && taxa[number - 1]) {
                    keep.add(number - 1);
                }
            });
            state.keep = keep.size ? keep : null;
            text = text.slice(0, tilde);
        }
        if (text in coupletAt) {
            var way = wayTo(coupletAt[text]);
            state.start = way ? 0 : coupletAt[text];
            state.steps = way || [];
            return state;
        }
        var colon = text.indexOf(":");
        if (colon >= 0) {
            state.start = coupletAt[text.slice(0, colon)] || 0;
            text = text.slice(colon + 1);
        }
        if (text) {
            state.steps = text.split("-").map(function (step) {
                return /^\d+$/.test(step) ? step - 1 : -1;
            });
        }
        return state;
    }

    // Follows the steps as far as they lead and then, with kept taxa, every couplet that does not
    // separate them; a couplet met again ends that, so a loop never holds the page.
    function walk(state) {
        var way = [];
        var at = state.start;
        var end = { couplet: at, lead: null };
        function take(index, auto) {
            var lead = couplets[at].leads[index];
            way.push({ couplet: at, lead: index, auto: auto });
            if (lead.couplet < 0) {
                end = { couplet: -1, lead: lead };
                return false;
            }
            at = lead.couplet;
            end = { couplet: at, lead: null };
            return true;
        }
        for (var i = 0; i < state.steps.length; i++) {
            var index = state.steps[i];
            if (!couplets[at].leads[index]) {
                break;
            }
            if (!take(index, state.keep !== null && onlyLead(at, state.keep) === index)) {
                return { way: way, end: end };
            }
        }
        var seen = new Set();
        while (state.keep && !seen.has(at)) {
            seen.add(at);
            var only = onlyLead(at, state.keep);
            if (only < 0 || !take(only, true)) {
                break;
            }
        }
        return { way: way, end: end };
    }

    var now = null;

    function go(text, replace) {
        if ("#" + text === location.hash || (!text && !location.hash)) {
            render(true);
        } else if (replace) {
            history.replaceState(null, "", "#" + text);
            render(true);
        } else {
            location.hash = text;
        }
    }

    function jump(goal) {
        var way = wayTo(goal);
        go(fragment(way ? 0 : goal, way || [], now.state.keep));
    }

    // The leads of the way up to the reader's last own choice, the skipped ones after it left out.
    function ownSteps() {
        var way = now.way.slice();
        while (way.length && way[way.length - 1].auto) {
            way.pop();
        }
        return way.map(function (step) {
            return step.lead;
        });
    }

    function back() {
        var steps = ownSteps();
        if (steps.length) {
            go(fragment(now.state.start, steps.slice(0, -1), now.state.keep));
        }
    }

    function restart() {
        go(fragment(0, [], now.state.keep));
    }

    function stepText(step) {
        return couplets[step.couplet].number + ": " + statement(couplets[step.couplet].leads[step.lead]);
    }

    // The taxa in the lists of those remaining and those discarded: one item each, moved only when
    // its list changes (rebuilding lists of a thousand taxa at every step would slow each step).
    var lists = [null, element("remaining"), element("discarded")];
    var items = taxa.map(function (taxon) {
        var item = doc.createElement("li");
        item.innerHTML = taxon.html;
        return item;
    });
    var listOf = new Uint8Array(taxa.length);
    function showTaxa(listWanted) {
        var next = [null, null, null];
        for (var taxon = taxa.length - 1; taxon >= 0; taxon--) {
            var wanted = listWanted(taxon);
            if (wanted !== listOf[taxon]) {
                if (wanted) {
                    lists[wanted].insertBefore(items[taxon], next[wanted]);
                } else {
                    items[taxon].remove();
                }
                listOf[taxon] = wanted;
            }
            if (wanted) {
                next[wanted] = items[taxon];
            }
        }
    }

    // What the couplet's box shows, by couplet and place: the page comes with the first couplet drawn,
    // which is left as it stands, so that its first paint is not undone.
    var drawn = coupletBox.hasChildNodes() ? "0:" : null;
    function showCouplet(couplet) {
        var shown = coupletAt[couplet.id] + ":" + fragment(now.state.start, now.steps, now.state.keep);
        if (shown === drawn) {
            return;
        }
        drawn = shown;
        var html = "<h2 id=couplet-title>" + texts.entry + " " + couplet.number;
        if (couplet.from.length) {
            html += " <small>(" + texts.from + " " + couplet.from.map(function (from) {
                return couplets[from].number;
            }).join(", ") + ")</small>";
        }
        html += "</h2><ol class=leads>";
        couplet.leads.forEach(function (lead, index) {
            var off = now.state.keep && !leadKeeps(lead, now.state.keep);
            html += "<li><a class=\"lead" + (off ? " off" : "") + "\" href=\"#" +
                fragment(now.state.start, now.steps.concat(index), now.state.keep) + "\">" +
                (index < 9 ? "<kbd aria-hidden=true>" + (index + 1) + "</kbd>" : "") +
                "<span class=s>" + statement(lead) + "</span><span class=to>\u2192 " + lead.shown + "</span></a></li>";
        });
        coupletBox.innerHTML = html + "</ol>";
    }

    function render(moved) {
        var state = parse(location.hash);
        var walked = walk(state);
        var steps = walked.way.map(function (step) {
            return step.lead;
        });
        var text = fragment(state.start, steps, state.keep);
        if (text !== location.hash.replace(/^#/, "")) {
            history.replaceState(null, "", "#" + text);
        }
        now = { state: state, way: walked.way, steps: steps, end: walked.end };

        // The couplet, or the result, or the entry that the key lacks.
        var end = walked.end;
        var remaining = new Set();
        if (end.couplet >= 0) {
            showCouplet(couplets[end.couplet]);
            remaining = reach(end.couplet);
        } else if (end.lead.taxon >= 0) {
            element("taxon").innerHTML = taxa[end.lead.taxon].html;
            element("way").innerHTML = walked.way.map(function (step) {
                return "<li>" + stepText(step) + "</li>";
            }).join("");
            remaining.add(end.lead.taxon);
        } else {
            drawn = null;
            coupletBox.innerHTML = "<h2 id=couplet-title>" + texts.missing.replace("%1", end.lead.shown) + "</h2>";
        }
        resultBox.hidden = end.couplet >= 0 || end.lead.taxon < 0;
        coupletBox.hidden = !resultBox.hidden;

        // The path: each step a link back to where it was taken.
        element("path").innerHTML = walked.way.map(function (step, index) {
            return "<li" + (step.auto ? " class=auto" : "") + "><a href=\"#" +
                fragment(state.start, steps.slice(0, index), state.keep) + "\">" + stepText(step) + "</a>" +
                (step.auto ? " (" + texts.skipped + ")" : "") + "</li>";
        }).join("");
        element("nothing").hidden = walked.way.length > 0;
        element("back").disabled = !walked.way.some(function (step) {
            return !step.auto;
        });
        element("restart").disabled = walked.way.length === 0 && state.start === 0;

        // The taxa still possible and those left behind, among the kept ones if any are kept.
        var counts = [0, 0, 0];
        showTaxa(function (taxon) {
            var list = state.keep && !state.keep.has(taxon) ? 0 : remaining.has(taxon) ? 1 : 2;
            counts[list]++;
            return list;
        });
        element("remaining-count").textContent = counts[1];
        element("discarded-count").textContent = counts[2];
        each(element("filter-list").querySelectorAll("input"), function (box) {
            var kept = state.keep !== null && state.keep.has(+box.value);
            if (box.checked !== kept) {
                box.checked = kept;
            }
        });
        markWhole();
        filterWhole(state.keep);
        doc.documentElement.classList.remove("deep");

        if (moved) {
            var box = coupletBox.hidden ? resultBox : coupletBox;
            var focused = doc.activeElement;
            if (!focused || focused === doc.body || !focused.isConnected) {
                box.focus({ preventScroll: true });
            }
            var top = box.getBoundingClientRect().top;
            if (top < 0 || top > window.innerHeight * 0.6) {
                box.scrollIntoView();
            }
        }
    }

    // The current couplet in the whole key, in both layouts.
    function markWhole() {
        each(whole.querySelectorAll(".current"), function (marked) {
            marked.classList.remove("current");
            marked.removeAttribute("aria-current");
        });
        if (now.end.couplet >= 0) {
            var couplet = couplets[now.end.couplet];
            [couplet.entry].concat(couplet.rows).forEach(function (marked) {
                marked.classList.add("current");
                marked.setAttribute("aria-current", "step");
            });
        }
    }

    // The whole key narrowed to the kept taxa, as the player narrows the way: the couplets that lead
    // to none of them and the leads that lead away from them left out, in both layouts.
    var filtered = "";
    function filterWhole(keep) {
        var text = keep ? fragment(0, [], keep) : "";
        if (text === filtered) {
            return;
        }
        filtered = text;
        var kept = keep && keptCouplets(keep);
        function shown(couplet, lead) {
            return !kept || (lead ? leadKeeps(lead, keep) : kept[couplet] === 1);
        }
        couplets.forEach(function (couplet, index) {
            couplet.entry.hidden = !shown(index);
            couplet.leads.forEach(function (lead, at) {
                var off = !shown(index, lead);
                lead.paragraph.hidden = off && at > 0;
                lead.paragraph.classList.toggle("cut", off && at === 0);
            });
        });
        each(element("indented").children, function (row) {
            var couplet = +row.getAttribute("data-c");
            var lead = row.hasAttribute("data-l") ? couplets[couplet].leads[+row.getAttribute("data-l")] : null;
            row.hidden = !shown(couplet, lead);
        });
    }

    // The indented key: each couplet under the lead that leads to it, listed once; where it is met
    // again, a reference to it. Made with a stack of its own, so a deep key cannot exhaust the
    // script's.
    function indentedKey() {
        var listed = new Uint8Array(couplets.length);
        var rows = [];
        var stack = [];
        for (var root = couplets.length - 1; root >= 0; root--) {
            stack.push({ couplet: root, depth: 0, root: true });
        }
        while (stack.length) {
            var item = stack.pop();
            var couplet = couplets[item.couplet];
            var indent = " style=\"--d:" + Math.min(item.depth, 24) + "\"";
            if (item.lead !== undefined) {
                var lead = couplet.leads[item.lead];
                rows.push("<p data-c=" + item.couplet + " data-l=" + item.lead + indent + "><span class=l><a href=\"#" + couplet.id + "\">" +
                    couplet.number + "*".repeat(item.lead) + "</a></span> " + statement(lead) +
                    (lead.couplet >= 0 ? "" : " <b>" + lead.shown + "</b>") + "</p>");
            } else if (listed[item.couplet]) {
                if (!item.root) {
                    rows.push("<p class=see data-c=" + item.couplet + indent + ">\u2192 " + texts.see + " <a href=\"#" + couplet.id + "\">" +
                        couplet.number + "</a></p>");
                }
            } else {
                listed[item.couplet] = 1;
                for (var i = couplet.leads.length - 1; i >= 0; i--) {
                    if (couplet.leads[i].couplet >= 0) {
                        stack.push({ couplet: couplet.leads[i].couplet, depth: item.depth + 1 });
                    }
                    stack.push({ couplet: item.couplet, lead: i, depth: item.depth });
                }
            }
        }
        var box = element("indented");
        box.innerHTML = rows.join("");
        each(box.querySelectorAll("p[data-l]"), function (row) {
            couplets[+row.getAttribute("data-c")].rows.push(row);
        });
        markWhole();
        filtered = null;
        filterWhole(now.state.keep);
    }

    function showLayout(indented) {
        if (indented && !element("indented").hasChildNodes()) {
            indentedKey();
        }
        element("indented").hidden = !indented;
        element("bracketed").hidden = indented;
        element("show-indented").setAttribute("aria-pressed", indented);
        element("show-bracketed").setAttribute("aria-pressed", !indented);
    }

    // Links of the whole key: an entry's own number moves the player there; any other link shows
    // that entry in the whole key and leaves the player's place alone.
    whole.addEventListener("click", function (event) {
        var link = event.target.closest("a[href^='#']");
        var id = link ? link.getAttribute("href").slice(1) : "";
        if (!(id in coupletAt)) {
            return;
        }
        event.preventDefault();
        var couplet = couplets[coupletAt[id]];
        if (link.parentNode.classList.contains("l") && link.parentNode.firstElementChild === link) {
            jump(coupletAt[id]);
            coupletBox.scrollIntoView();
        } else {
            var place = element("indented").hidden ? couplet.entry : couplet.rows[0];
            if (place) {
                place.scrollIntoView();
            }
        }
    });

    element("back").addEventListener("click", back);
    element("restart").addEventListener("click", restart);
    element("whole-key").addEventListener("click", function () {
        this.setAttribute("aria-expanded", whole.classList.toggle("shown"));
    });
    element("show-bracketed").addEventListener("click", function () {
        showLayout(false);
    });
    element("show-indented").addEventListener("click", function () {
        showLayout(true);
    });

    // The filter: the taxa ticked are kept, and couplets that do not separate them are skipped; what
    // the filter before skipped is skipped anew.
    function setKeep(keep) {
        go(fragment(now.state.start, ownSteps(), keep && keep.size ? keep : null), true);
    }
    var filterList = element("filter-list");
    filterList.innerHTML = taxa.map(function (taxon, index) {
        return "<li><label><input type=checkbox value=" + index + "> " + taxon.html + "</label></li>";
    }).join("");
    filterList.addEventListener("change", function () {
        var keep = new Set();
        each(filterList.querySelectorAll("input:checked"), function (box) {
            keep.add(+box.value);
        });
        setKeep(keep);
    });
    element("filter-clear").addEventListener("click", function () {
        setKeep(null);
    });
    element("filter-text").addEventListener("input", function () {
        var wanted = this.value.trim().toLowerCase();
        each(filterList.children, function (item, index) {
            item.hidden = wanted !== "" && taxa[index].text.toLowerCase().indexOf(wanted) < 0;
        });
    });

    doc.addEventListener("keydown", function (event) {
        var target = event.target;
        if (event.altKey || event.ctrlKey || event.metaKey || event.defaultPrevented ||
            /^(INPUT|TEXTAREA|SELECT)$/.test(target.tagName) || target.isContentEditable) {
            return;
        }
        if (event.key.length === 1 && event.key >= "1" && event.key <= "9") {
            var lead = coupletBox.hidden ? null : coupletBox.querySelectorAll(".lead")[event.key - 1];
            if (lead) {
                event.preventDefault();
                go(lead.getAttribute("href").slice(1));
            }
        } else if (event.key === "Backspace") {
            event.preventDefault();
            back();
        } else if (event.key === "Home") {
            event.preventDefault();
            restart();
        }
    });

    window.addEventListener("hashchange", function () {
        render(true);
    });
    render(false);
});
