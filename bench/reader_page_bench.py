"""How soon the reader's page shows its first couplet, and how fast it steps, against a bare page.

    reader_page_bench.py KEYLINKER_CLI MAKE_KEYS EXAMPLE_KEY [--against OTHER_CLI] [--rounds N]
                         [--leads N] [--throttle KBIT_PER_S]

Writes the reader's page (--export interactive) of the example key and of a generated key of about
1,800 leads (make_keys, as large as the Jepson families key), and for each a bare page: the first
couplet as plain HTML and nothing else. All are served over a local http.server and loaded in one
headless Chromium session, taking turns round by round, with the browser's cache off. A page's first
couplet counts as drawn when the Element Timing API reports the paint of its first lead's text (the
pages are copied with an `elementtiming` mark on the leads' text, in markup and script alike); first
contentful paint is printed for orientation. Then 35 clicks in the page, each awaited until drawn (the
first lead, or Start over at a result). With --against, the pages of another keylinker-cli (e.g. a
build of main) are measured in the same rounds. Prints medians and ratios to the bare page.
"""

import argparse
import csv
import functools
import html
import http.server
import io
import os
import re
import shutil
import statistics
import subprocess
import sys
import tempfile
import threading

sys.dont_write_bytecode = True  # no cache left in the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "exchange"))
from interactive_page_browser_test import STEPS, plain  # noqa: E402

MARK = b"<span class=s elementtiming=couplet>"

# The first paint of a marked lead and the first contentful paint, after the page has settled.
TIMES = """
const done = arguments[arguments.length - 1];
let drawn = null;
new PerformanceObserver((list) => {
    for (const entry of list.getEntries()) {
        if (entry.identifier === "couplet") {
            const at = entry.renderTime || entry.loadTime || entry.startTime;
            drawn = drawn === null ? at : Math.min(drawn, at);
        }
    }
}).observe({ type: "element", buffered: true });
const settled = () => requestAnimationFrame(() => setTimeout(() => {
    const paint = performance.getEntriesByName("first-contentful-paint")[0];
    done([drawn, paint ? paint.startTime : null]);
}, 50));
if (document.readyState === "complete") settled(); else addEventListener("load", settled);
"""



def bare_page(cli, key):
    """The key's first couplet as plain HTML, as a page that holds nothing else."""
    table = subprocess.run([cli, "--export", "keybase", key], stdout=subprocess.PIPE, check=True).stdout
    rows = list(csv.DictReader(io.StringIO(table.decode("utf-8"))))
    first = [row for row in rows if row["from"] == rows[0]["from"]]
    # Text is timed by the block that holds it: here the list item.
    leads = "".join(f"<li elementtiming=couplet><a href=#{index}>{html.escape(plain(row['statement']))} "
                    f"→ {html.escape(plain(row['to']))}</a></li>" for index, row in enumerate(first, 1))
    return (f"<!DOCTYPE html>\n<html lang=de>\n<meta charset=utf-8>\n"
            f"<meta name=viewport content=\"width=device-width, initial-scale=1\">\n<title>Bare</title>\n"
            f"<section id=couplet><h2>{html.escape(rows[0]['from'])}</h2><ol>{leads}</ol></section>\n").encode()


def reader_page(cli, key):
    page = subprocess.run([cli, "--export", "interactive", key], stdout=subprocess.PIPE, check=True).stdout
    return page.replace(b"<span class=s>", MARK)


def generated_key(make_keys, workdir, leads):
    """A generated key page of about `leads` leads (two or three an entry, about 99 bytes of page each)."""
    folder = os.path.join(workdir, "generated")
    os.makedirs(folder)
    subprocess.run([make_keys, folder, "1", str(leads * 99), "7"], stdout=subprocess.DEVNULL, check=True)
    return os.path.join(folder, "key0001.htm")


def serve(folder):
    handler = functools.partial(QuietHandler, directory=folder)
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("cli")
    parser.add_argument("make_keys")
    parser.add_argument("example")
    parser.add_argument("--against")
    parser.add_argument("--rounds", type=int, default=15)
    parser.add_argument("--leads", type=int, default=1800)
    parser.add_argument("--throttle", type=float, default=0, help="kbit/s, 0 for none")
    arguments = parser.parse_args()

    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service

    workdir = tempfile.mkdtemp(prefix="reader-bench-")
    try:
        keys = {"example": arguments.example, "generated": generated_key(arguments.make_keys, workdir, arguments.leads)}
        clis = {"this": arguments.cli}
        if arguments.against:
            clis["other"] = arguments.against
        pages = []
        for key_name, key in keys.items():
            leads = subprocess.run([arguments.cli, "--export", "keybase", key], stdout=subprocess.PIPE,
                                   check=True).stdout.count(b"\n") - 1
            name = f"{key_name}-bare.html"
            with open(os.path.join(workdir, name), "wb") as out:
                out.write(bare_page(arguments.cli, key))
            pages.append((key_name, "bare", name))
            for cli_name, cli in clis.items():
                name = f"{key_name}-{cli_name}.html"
                with open(os.path.join(workdir, name), "wb") as out:
                    out.write(reader_page(cli, key))
                pages.append((key_name, cli_name, name))
            print(f"{key_name}: {leads} leads, reader's page {os.path.getsize(os.path.join(workdir, name))} bytes")

        server = serve(workdir)
        options = webdriver.ChromeOptions()
        options.binary_location = "/usr/bin/chromium"
        for argument in ("--headless=new", "--no-sandbox", "--disable-gpu", "--disable-background-networking",
                         "--disable-component-update", "--disable-sync", "--no-first-run", "--window-size=1200,900",
                         "--user-data-dir=" + tempfile.mkdtemp(dir=workdir)):
            options.add_argument(argument)
        driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
        try:
            driver.execute_cdp_cmd("Network.enable", {})
            driver.execute_cdp_cmd("Network.setCacheDisabled", {"cacheDisabled": True})
            if arguments.throttle:
                rate = arguments.throttle * 1000 / 8
                driver.execute_cdp_cmd("Network.emulateNetworkConditions", {
                    "offline": False, "latency": 20, "downloadThroughput": rate, "uploadThroughput": rate})
            base = f"http://127.0.0.1:{server.server_address[1]}/"
            drawn, painted, clicks = {}, {}, {}
            for round_ in range(arguments.rounds + 1):  # the first round warms up
                for page in pages:
                    driver.get("about:blank")
                    driver.get(base + page[2])
                    couplet, paint = driver.execute_async_script(TIMES)
                    if couplet is None:
                        raise SystemExit(f"{page[2]}: no couplet drawn")
                    if page[1] != "bare":
                        steps = driver.execute_async_script(STEPS, 35)
                    if round_:
                        drawn.setdefault(page, []).append(couplet)
                        painted.setdefault(page, []).append(paint)
                        if page[1] != "bare":
                            clicks.setdefault(page, []).append(steps)
        finally:
            driver.quit()
            server.shutdown()

        median = statistics.median
        print(f"medians of {arguments.rounds} rounds"
              + (f", throttled to {arguments.throttle:g} kbit/s" if arguments.throttle else ""))
        for key_name in keys:
            bare = median(drawn[(key_name, "bare", f"{key_name}-bare.html")])
            print(f"{key_name}: bare page's couplet drawn at {bare:.1f} ms")
            for cli_name in clis:
                page = (key_name, cli_name, f"{key_name}-{cli_name}.html")
                first = median(drawn[page])
                paint = median(painted[page])
                print(f"  {cli_name}: first couplet drawn at {first:.1f} ms = {first / bare:.2f} x the bare page "
                      f"(goal 1.5 x; first contentful paint {paint:.1f} ms); 35 clicks {median(clicks[page]):.0f} ms")
            if "other" in clis:
                this = median(clicks[(key_name, "this", f"{key_name}-this.html")])
                other = median(clicks[(key_name, "other", f"{key_name}-other.html")])
                print(f"  35 clicks, this / other: {this / other:.2f} (goal at most 1)")
    finally:
        shutil.rmtree(workdir, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
