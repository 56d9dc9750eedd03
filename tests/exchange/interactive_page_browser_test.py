"""The reader's page (keylinker-cli --export interactive) in a real Chromium.

Clicks through the example key and a KeyBase table with a loop, a reticulation, a taxon at two places
and a missing entry to every taxon, checking the path, the counts and the result against the key's
structure as its KeyBase export gives it; goes back by the button, by the browser and by the path;
reloads; uses the keyboard, the filter and the whole key; and looks at the page without script, as
printed and 360 px wide. Prints how long a key of 1,800 leads takes to show its first couplet and
to take 35 steps (measured, not judged).

    interactive_page_browser_test.py KEYLINKER_CLI EXAMPLE_KEY

Exits 77 (skipped) only when Chromium cannot be started.
"""

import csv
import html
import io
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

SKIPPED = 77


def plain(text):
    return " ".join(html.unescape(re.sub(r"<[^>]*>", " ", text)).split())


class Key:
    """A key's couplets as its KeyBase export lists them: number -> [(statement, target)], where a
    target is ("couplet", number), ("taxon", name) or ("missing", number)."""

    def __init__(self, keybase):
        rows = list(csv.DictReader(io.StringIO(keybase.decode("utf-8"))))
        self.order = []
        self.leads = {}
        for row in rows:
            if row["from"] not in self.leads:
                self.order.append(row["from"])
                self.leads[row["from"]] = []
        for row in rows:
            to = row["to"]
            kind = "couplet" if to in self.leads else "missing" if to.isdigit() else "taxon"
            self.leads[row["from"]].append((plain(row["statement"]), (kind, plain(to))))
        self.taxa = {target[1] for leads in self.leads.values() for _, target in leads if target[0] == "taxon"}

    def reach(self, number):
        found, seen, stack = set(), {number}, [number]
        while stack:
            for _, (kind, name) in self.leads[stack.pop()]:
                if kind == "taxon":
                    found.add(name)
                elif kind == "couplet" and name not in seen:
                    seen.add(name)
                    stack.append(name)
        return found


STATE = """
const texts = (selector) => Array.from(document.querySelectorAll(selector), (e) => e.textContent.trim());
const couplet = document.getElementById("couplet");
return {
    hash: location.hash,
    heading: couplet.hidden ? null : (couplet.querySelector("h2") || {}).textContent,
    leads: couplet.hidden ? [] : texts("#couplet .lead .s"),
    path: texts("#path li"),
    result: document.getElementById("result").hidden ? null : document.getElementById("taxon").textContent,
    way: texts("#way li"),
    remaining: texts("#remaining li"),
    discardedCount: document.querySelectorAll("#discarded li").length,
    counts: [document.getElementById("remaining-count").textContent,
             document.getElementById("discarded-count").textContent],
    back: !document.getElementById("back").disabled,
    skipped: document.querySelectorAll("#path li.auto").length,
};
"""


# Clicks the first lead `count` times (Start over at a result), each awaited until drawn.
STEPS = """
const [count, done] = arguments;
const began = performance.now();
let taken = 0;
function step() {
    if (taken === count) {
        done(performance.now() - began);
        return;
    }
    window.addEventListener("hashchange", () => requestAnimationFrame(() => setTimeout(() => {
        taken++;
        step();
    })), { once: true });
    const couplet = document.getElementById("couplet");
    (couplet.hidden ? document.getElementById("restart") : couplet.querySelector(".lead")).click();
}
step();
"""


# The words of the title that stand on two lines, and whether this browser hyphenates at all (else
# a word on two lines was broken without a hyphen).
TITLE_LINES = """
const h = document.querySelector("h1"), range = document.createRange(), broken = [];
for (const word of h.firstChild.data.matchAll(/\\S+/g)) {
    range.setStart(h.firstChild, word.index);
    range.setEnd(h.firstChild, word.index + word[0].length);
    if (new Set(Array.from(range.getClientRects(), (box) => Math.round(box.top))).size > 1) broken.push(word[0]);
}
const probe = document.createElement("div");
probe.lang = "de";
probe.style.cssText = "width: 3em; hyphens: auto; overflow-wrap: normal; line-height: 20px";
probe.textContent = "Bestimmungsschl\u00fcssel";
document.body.append(probe);
const hyphenates = probe.offsetHeight > 20;
probe.remove();
return { lang: h.closest("[lang]").lang, hyphens: getComputedStyle(h).hyphens, broken: broken, hyphenates: hyphenates };
"""


def ready(driver):
    """Waits for the player to have read the key (it counts the taxa)."""
    for _ in range(500):
        if driver.execute_script("return document.getElementById('remaining-count').textContent"):
            return
        time.sleep(0.01)
    raise AssertionError("the player did not start")


class Player:
    def __init__(self, driver, url, key):
        self.driver, self.url, self.key = driver, url, key
        self.back_ways = 0
        self.checks = 0

    def state(self):
        return self.driver.execute_script(STATE)

    def wait(self, condition, what):
        for _ in range(200):
            state = self.state()
            if condition(state):
                return state
            time.sleep(0.01)
        raise AssertionError(f"{what}: {state}")

    def expect_couplet(self, number, path):
        # The written first couplet stands before the player has read the key: wait for both.
        state = self.wait(lambda s: s["heading"] is not None and len(s["path"]) == len(path)
                          and s["heading"].split()[1] == number and s["counts"][0] != "",
                          f"couplet {number} after {path}")
        leads = self.key.leads[number]
        assert state["leads"] == [statement for statement, _ in leads], state
        assert [step.split(": ", 1)[1] for step in state["path"]] == path, state
        remaining = self.key.reach(number)
        assert sorted(state["remaining"]) == sorted(remaining), (number, state)
        assert state["discardedCount"] == len(self.key.taxa) - len(remaining), state
        assert state["counts"] == [str(len(remaining)), str(len(self.key.taxa) - len(remaining))], state
        assert state["back"] == bool(path), state
        self.checks += 1
        return state

    def expect_result(self, taxon, path):
        state = self.wait(lambda s: s["result"] is not None, f"result {taxon}")
        assert state["result"] == taxon, state
        assert [step.split(": ", 1)[1] for step in state["way"]] == path, state
        assert state["remaining"] == [taxon] and state["discardedCount"] == len(self.key.taxa) - 1, state
        self.checks += 1

    def click_lead(self, index):
        self.driver.find_elements("css selector", "#couplet .lead")[index].click()

    def go_back(self, path, just_clicked):
        """One step back, each time another way: the Back button, the browser's Back (only right after
        a click: else the place before is not the step before), the path."""
        way = self.back_ways % 3
        self.back_ways += 1
        if way == 1 and not just_clicked:
            way = 0
        if way == 0:
            self.driver.find_element("id", "back").click()
        elif way == 1:
            self.driver.back()
        else:
            self.driver.find_elements("css selector", "#path li a")[len(path)].click()

    def walk(self, number, path, on_path):
        """Every lead of the couplet: into it and back; into a couplet on the path once, not further."""
        for index, (statement, (kind, name)) in enumerate(self.key.leads[number]):
            self.click_lead(index)
            taken = path + [statement]
            if kind == "taxon":
                self.expect_result(name, taken)
            elif kind == "missing":
                state = self.wait(lambda s: s["heading"] is not None and name in s["heading"], f"missing {name}")
                assert state["remaining"] == [] and state["leads"] == [], state
            else:
                self.expect_couplet(name, taken)
            walked_on = kind == "couplet" and name not in on_path
            if walked_on:
                self.walk(name, taken, on_path | {name})
            self.go_back(path, not walked_on)
            self.expect_couplet(number, path)

    def click_through(self):
        self.driver.get(self.url)
        first = self.key.order[0]
        self.expect_couplet(first, [])  # the couplet written in the page, drawn once
        assert self.driver.execute_script("return document.querySelectorAll('#couplet h2').length") == 1
        self.walk(first, [], {first})


def steps_to(key, goal):
    """The statements of a way from the first couplet to `goal`."""
    ways = {key.order[0]: []}
    queue = [key.order[0]]
    for number in queue:
        for statement, (kind, name) in key.leads[number]:
            if kind == "couplet" and name not in ways:
                ways[name] = ways[number] + [statement]
                queue.append(name)
    return ways.get(goal)


def number_before(key, way):
    number = key.order[0]
    for statement in way[:-1]:
        number = dict(key.leads[number])[statement][1]
    return number


def check_key(driver, cli, source, workdir, name):
    page = os.path.join(workdir, name + ".html")
    with open(page, "wb") as out:
        subprocess.run([cli, "--export", "interactive", source], stdout=out, check=True)
    key = Key(subprocess.run([cli, "--export", "keybase", source], stdout=subprocess.PIPE, check=True).stdout)
    url = "file://" + page
    player = Player(driver, url, key)
    player.click_through()
    assert driver.execute_script("return performance.getEntriesByType('resource').length") == 0

    # A reload keeps the place; a link opens the player at it.
    deepest = max(key.order, key=lambda number: len(steps_to(key, number) or []))
    way = steps_to(key, deepest)
    driver.get(url)
    number = key.order[0]
    for taken, statement in enumerate(way, 1):
        lead = [s for s, _ in key.leads[number]].index(statement)
        player.click_lead(lead)
        number = key.leads[number][lead][1][1]
        player.expect_couplet(number, way[:taken])
    address = driver.current_url
    driver.back()
    player.expect_couplet(number_before(key, way), way[:-1])
    driver.forward()
    player.expect_couplet(deepest, way)
    driver.refresh()
    player.expect_couplet(deepest, way)
    assert driver.find_element("id", "couplet").is_displayed()  # not the first couplet's place held
    driver.get("about:blank")
    driver.get(address)
    player.expect_couplet(deepest, way)

    # The keyboard: Home starts over, a digit chooses (the couplet then has the focus), Backspace goes
    # back.
    body = driver.find_element("tag name", "body")
    body.send_keys("\ue011")  # Home
    player.expect_couplet(key.order[0], [])
    statement, (kind, name) = key.leads[key.order[0]][1]
    assert kind == "couplet", "both keys lead on from the first couplet's second lead"
    body.send_keys("2")
    player.expect_couplet(name, [statement])
    assert driver.execute_script("return document.activeElement.id") == "couplet"
    body.send_keys("\ue003")  # Backspace
    player.expect_couplet(key.order[0], [])

    # The whole key: an entry's number jumps the player there the shortest way; the indented layout
    # lists each lead once and refers to a couplet met again.
    driver.find_element("id", "whole-key").click()
    assert driver.find_element("id", "bracketed").is_displayed()
    entry = driver.find_element("css selector", "#bracketed > .e:nth-of-type(1)")
    assert "current" in entry.get_attribute("class")
    driver.find_element("css selector", "#bracketed > .e:last-of-type .l a").click()
    last = key.order[-1]
    if steps_to(key, last) is not None:
        player.expect_couplet(last, steps_to(key, last))
    driver.find_element("id", "show-indented").click()
    rows = driver.find_elements("css selector", "#indented p[data-l]")
    assert len(rows) == sum(len(leads) for leads in key.leads.values()), len(rows)
    return player, key


def check_filter(driver, player, key):
    """Two taxa kept: the player skips to where their ways part, and counts only them."""
    taxa = sorted(key.taxa)
    keep = [taxa[0], taxa[-1]]
    driver.get(player.url)
    ready(driver)
    driver.find_element("css selector", "#filter summary").click()
    for label in driver.find_elements("css selector", "#filter-list label"):
        if label.text.strip() in keep:
            label.find_element("tag name", "input").click()
    state = player.wait(lambda s: s["counts"][0] != "" and int(s["counts"][0]) + int(s["counts"][1]) == 2,
                        "filter counts")
    assert "~" in state["hash"], state
    if state["result"] is None:
        number = state["heading"].split()[1]
        separating = [target for _, target in key.leads[number]
                      if (target[0] == "taxon" and target[1] in keep)
                      or (target[0] == "couplet" and key.reach(target[1]) & set(keep))]
        assert len(separating) >= 2, (number, state)
    assert state["skipped"] == len(state["path"]), state  # no step so far was the reader's

    # The whole key narrows alike: only the couplets that lead on to a kept taxon, only their leads
    # that do, in both layouts.
    driver.find_element("id", "whole-key").click()
    shown = [entry.get_attribute("id") for entry in driver.find_elements("css selector", "#bracketed > .e")
             if entry.is_displayed()]
    numbers = [n for n in key.order if key.reach(n) & set(keep)]
    assert len(shown) == len(numbers), (shown, numbers)
    keeps = lambda kind, name: name in keep if kind == "taxon" else kind == "couplet" and key.reach(name) & set(keep)
    leads = sum(1 for n in numbers for _, target in key.leads[n] if keeps(*target))
    assert driver.execute_script("return Array.from(document.querySelectorAll('#bracketed > .e:not([hidden]) > p'))"
                                 ".filter((p) => !p.hidden && !p.classList.contains('cut')).length") == leads
    assert len(key.taxa) == 2 or leads < sum(map(len, key.leads.values())), "the filter narrows the whole key"
    taxa_shown = lambda selector: {element.text.strip() for element in driver.find_elements("css selector", selector)
                                   if element.is_displayed()}
    assert taxa_shown("#bracketed b[data-t]") == set(keep) & {t for n in numbers for _, (kind, t) in key.leads[n]
                                                             if kind == "taxon"}
    driver.find_element("id", "show-indented").click()
    assert taxa_shown("#indented b") <= set(keep) and taxa_shown("#indented b")
    driver.find_element("id", "show-bracketed").click()
    driver.find_element("id", "filter-clear").click()
    player.wait(lambda s: "~" not in s["hash"], "filter cleared")
    assert all(entry.is_displayed() for entry in driver.find_elements("css selector", "#bracketed > .e"))
    driver.find_element("id", "whole-key").click()


def check_without_script(start, url, key):
    driver = start(javascript=False)
    try:
        driver.get(url)
        assert not driver.find_element("id", "player").is_displayed()
        entries = driver.find_elements("css selector", "#bracketed > .e")
        assert len(entries) == len(key.order) and entries[-1].is_displayed()
        # The first couplet stands in the page as written, before any script.
        statements = [plain(lead.get_attribute("innerHTML"))
                      for lead in driver.find_elements("css selector", "#couplet .lead .s")]
        assert statements == [statement for statement, _ in key.leads[key.order[0]]], statements
        link = driver.find_element("css selector", "#bracketed > .e:first-of-type p > a:last-child")
        target = link.get_attribute("href").split("#")[1]
        link.click()
        assert driver.current_url.endswith("#" + target)
        top = driver.execute_script(f"return document.getElementById('{target}').getBoundingClientRect().top")
        assert -1 < top < 50, top  # scrolled to the entry
    finally:
        driver.quit()


def check_print_and_narrow(driver, url):
    driver.get(url)
    driver.execute_cdp_cmd("Emulation.setEmulatedMedia", {"media": "print"})
    shown = lambda selector: driver.find_element("css selector", selector).is_displayed()
    assert not shown("#player") and not shown("#back") and shown("#bracketed")
    assert driver.execute_script(
        "return getComputedStyle(document.querySelector('.e')).breakInside") == "avoid"
    driver.execute_cdp_cmd("Emulation.setEmulatedMedia", {"media": ""})

    driver.execute_cdp_cmd("Emulation.setDeviceMetricsOverride",
                           {"width": 360, "height": 740, "deviceScaleFactor": 1, "mobile": True})
    try:
        # The title breaks only between words or where hyphenated by the page's language; the long
        # introduction folded, so the first couplet stands whole on the first screen.
        driver.get(url)
        title = driver.execute_script(TITLE_LINES)
        assert title["lang"] and title["hyphens"] == "auto", title
        assert not title["broken"] or title["hyphenates"], title
        intro = driver.execute_script("const d = document.querySelector('header details');"
                                      "return d && [d.open, d.querySelector('summary').textContent];")
        assert intro == [False, "Einleitung anzeigen"], intro
        couplet = driver.execute_script("return [scrollY, document.getElementById('couplet').getBoundingClientRect().bottom,"
                                        " innerHeight]")
        assert couplet[0] == 0 and couplet[1] <= couplet[2], couplet
        ready(driver)
        wide = "return document.documentElement.scrollWidth - document.documentElement.clientWidth"
        for action in (None, "whole-key", "show-indented"):
            if action:
                driver.find_element("id", action).click()
            assert driver.execute_script(wide) <= 0, action
            lead = driver.find_element("css selector", "#couplet .lead").rect
            assert lead["x"] >= 0 and lead["x"] + lead["width"] <= 360, lead
        driver.find_element("css selector", "#couplet .lead").click()
        assert driver.execute_script(wide) <= 0
    finally:
        driver.execute_cdp_cmd("Emulation.clearDeviceMetricsOverride", {})


def check_author_links(driver, url):
    """A link the author wrote in a lead opens its page beside the player; the lead around it still
    leads on."""
    from selenium.webdriver.support.ui import WebDriverWait
    driver.get(url)
    ready(driver)
    driver.find_element("css selector", "#couplet .lead").click()  # "Wings red": to couplet 2
    WebDriverWait(driver, 10).until(lambda d: d.find_elements("css selector", "#couplet .ext"))
    windows = len(driver.window_handles)
    hash_before = driver.execute_script("return location.hash")
    driver.find_element("css selector", "#couplet .ext").click()
    assert len(driver.window_handles) == windows + 1, driver.window_handles
    assert driver.execute_script("return location.hash") == hash_before
    for handle in driver.window_handles[windows:]:
        driver.switch_to.window(handle)
        driver.close()
    driver.switch_to.window(driver.window_handles[0])
    link = driver.find_element("css selector", "#whole a[href^='https:']")
    assert (link.get_attribute("target"), link.get_attribute("rel")) == ("_blank", "noopener")


def measure_large(driver, cli, workdir):
    """A key of 1,800 leads, each couplet leading on to the next and to one taxon."""
    table = os.path.join(workdir, "large.csv")
    words = "Halsschild schwarz, fein punktiert; Elytren metallisch blau, mit tiefen Streifen und Borsten".split()
    with open(table, "w", encoding="utf-8") as out:
        out.write("from,statement,to\n")
        for couplet in range(1, 901):
            text = " ".join(words[(couplet + i) % len(words)] for i in range(12))
            following = str(couplet + 1) if couplet < 900 else "Species ultima"
            out.write(f'{couplet},"{text} {couplet}",{following}\n{couplet},"{text} anders",Species {couplet}\n')
    page = os.path.join(workdir, "large.html")
    with open(page, "wb") as out:
        subprocess.run([cli, "--export", "interactive", table], stdout=out, check=True)
    driver.get("file://" + page)
    shown = driver.execute_script(
        "const n = performance.getEntriesByType('navigation')[0];"
        "const paint = performance.getEntriesByName('first-contentful-paint')[0];"
        "return [n.domContentLoadedEventEnd, paint ? paint.startTime : null,"
        " document.querySelectorAll('#couplet .lead').length];")
    assert shown[2] == 2, shown
    # 35 clicks in the page, each awaited until the step is drawn (the next frame after it).
    in_page = driver.execute_async_script(STEPS, 35)
    assert driver.execute_script("return document.querySelectorAll('#path li').length") == 35
    driver.get("file://" + page)
    began = time.perf_counter()
    for step in range(35):
        driver.find_elements("css selector", "#couplet .lead")[0].click()
        while driver.execute_script("return document.querySelectorAll('#path li').length") != step + 1:
            pass
    through_driver = time.perf_counter() - began
    paint = f", first paint {shown[1]:.0f} ms" if shown[1] is not None else ""
    print(f"key of 1,800 leads ({os.path.getsize(page)} bytes): first couplet in the page "
          f"{shown[0]:.0f} ms after navigation{paint} (goal 300 ms); 35 steps {in_page:.0f} ms clicked in the "
          f"page (goal 2,000 ms), {through_driver * 1000:.0f} ms clicked through WebDriver")


def main():
    cli, example = sys.argv[1], sys.argv[2]
    from selenium import webdriver
    from selenium.common.exceptions import WebDriverException
    from selenium.webdriver.chrome.service import Service

    workdir = tempfile.mkdtemp(prefix="keylinker-page-")

    def start(javascript=True):
        options = webdriver.ChromeOptions()
        options.binary_location = "/usr/bin/chromium"
        for argument in ("--headless=new", "--no-sandbox", "--disable-gpu", "--disable-background-networking",
                         "--disable-component-update", "--disable-sync", "--no-first-run",
                         "--window-size=1200,900", "--user-data-dir=" + tempfile.mkdtemp(dir=workdir)):
            options.add_argument(argument)
        if not javascript:
            options.add_experimental_option("prefs", {"profile.managed_default_content_settings.javascript": 2})
        return webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)

    try:
        driver = start()
    except (WebDriverException, OSError) as error:
        reason = " ".join(str(error).split("Stacktrace:")[0].split())
        print("SKIPPED: Chromium could not be started: " + reason)
        shutil.rmtree(workdir, ignore_errors=True)
        return SKIPPED
    try:
        table = os.path.join(workdir, "loop.csv")
        with open(table, "w", encoding="utf-8") as out:
            out.write("from,statement,to\n1,Wings <i>red</i>,2\n1,Wings blue,3\n2,Head <a href=""https://example.org/head"">black</a>,Species A\n"
                      "2,Head brown,3\n3,Legs long,<i>Carabus</i> sp.\n3,Legs short,4\n4,Eyes large,Species A\n"
                      "4,Eyes small,2\n4,Eyes absent,9\n")
        checked = 0
        for source, name in ((example, "example"), (table, "loop")):
            player, key = check_key(driver, cli, source, workdir, name)
            check_filter(driver, player, key)
            checked += player.checks
        example_url = "file://" + os.path.join(workdir, "example.html")
        check_without_script(start, example_url, Key(subprocess.run(
            [cli, "--export", "keybase", example], stdout=subprocess.PIPE, check=True).stdout))
        check_print_and_narrow(driver, example_url)
        check_author_links(driver, "file://" + os.path.join(workdir, "loop.html"))
        print(f"{checked} places checked in two keys")
        measure_large(driver, cli, workdir)
    finally:
        driver.quit()
        shutil.rmtree(workdir, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
