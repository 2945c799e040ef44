"""A real browser sells through the service: headless Chromium opens a page
served on another local port whose script sells a receipt with fetch().
From an origin the service allows (--allow-origin) the receipt is printed;
from one it does not list the browser's request is refused and nothing is
printed, whether it asks first (a CORS preflight) or sends a plain form-like
POST that needs no preflight, even one whose body hides a request of its
own."""

from __future__ import annotations

import json
import os
import queue
import shutil
import subprocess
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer
from pathlib import Path

import pytest

from kit import free_port, new_key, receipt
from kit import folder, make_printer, make_service  # noqa: F401 - fixtures

CHROMIUM = shutil.which("chromium") or "/usr/bin/chromium"

PAGE = """<!doctype html>
<html><head><meta charset="utf-8"><title>Kasa</title></head>
<body><p id="result">…</p>
<script>
const service = %(service)s;
const report = (what) => fetch("/result", {method: "POST", body: JSON.stringify(what)});
async function sell() {
  const results = {};
  try {
    const answer = await fetch(service + "/v1/printers/till1/receipts", {
      method: "POST",
      headers: {"Content-Type": "application/json", "Idempotency-Key": %(key)s},
      body: JSON.stringify(%(body)s),
    });
    results.cors = {status: answer.status, body: await answer.json()};
  } catch (error) {
    results.cors = {error: String(error)};
  }
  try {
    // A request a page may send anywhere without asking: the browser does
    // not read the answer, so the service must refuse it on the Origin.
    await fetch(service + "/v1/printers/till1/receipts", {
      method: "POST", mode: "no-cors", headers: {"Content-Type": "text/plain"},
      body: JSON.stringify(%(body)s),
    });
    results.simple = "sent";
  } catch (error) {
    results.simple = String(error);
  }
  try {
    // The same, its body a whole request of its own (large or small, so
    // that the browser sends it with its headers or after them): the service
    // must not take what follows a refused request's headers for a request,
    // one without an Origin.
    for (const padding of [0, 100, 1000, 5000, 20000]) {
      const inner = JSON.stringify(%(inner)s) + " ".repeat(padding);
      const smuggled = "POST /v1/printers/till1/receipts HTTP/1.1\\r\\nHost: 127.0.0.1\\r\\n" +
          "Content-Type: application/json\\r\\nIdempotency-Key: " + %(key)s + "-inner\\r\\n" +
          "Content-Length: " + new TextEncoder().encode(inner).length + "\\r\\n\\r\\n" + inner;
      await fetch(service + "/v1/printers/till1/receipts", {
        method: "POST", mode: "no-cors", headers: {"Content-Type": "text/plain"}, body: smuggled,
      });
    }
    results.smuggled = "sent";
  } catch (error) {
    results.smuggled = String(error);
  }
  document.getElementById("result").textContent = JSON.stringify(results);
  await report(results);
}
sell();
</script></body></html>
"""


class PageServer:
    """Serves a till's page on a port of its own and takes its report."""

    def __init__(self) -> None:
        self.page = ""
        self.reports: queue.Queue[dict] = queue.Queue()
        outer = self

        class Handler(BaseHTTPRequestHandler):
            def do_GET(self) -> None:  # noqa: N802 - the handler's API
                data = outer.page.encode()
                self.send_response(200)
                self.send_header("Content-Type", "text/html; charset=utf-8")
                self.send_header("Content-Length", str(len(data)))
                self.end_headers()
                self.wfile.write(data)

            def do_POST(self) -> None:  # noqa: N802 - the handler's API
                length = int(self.headers.get("Content-Length", "0"))
                outer.reports.put(json.loads(self.rfile.read(length)))
                self.send_response(204)
                self.end_headers()

            def log_message(self, *args: object) -> None:
                pass

        self.port = free_port()
        self.origin = f"http://127.0.0.1:{self.port}"
        self.server = ThreadingHTTPServer(("127.0.0.1", self.port), Handler)
        threading.Thread(target=self.server.serve_forever, daemon=True).start()

    def open_in_chromium(self, profile: Path) -> dict:
        """Opens the page in headless Chromium and gives what its script reported."""
        browser = subprocess.Popen(
            [CHROMIUM, "--headless=new", "--no-sandbox", "--disable-gpu", "--no-first-run",
             "--disable-extensions", "--disable-dev-shm-usage", f"--user-data-dir={profile}",
             self.origin + "/"],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            return self.reports.get(timeout=90)
        finally:
            browser.kill()
            browser.wait(timeout=30)

    def close(self) -> None:
        self.server.shutdown()
        self.server.server_close()


@pytest.mark.skipif(not os.access(CHROMIUM, os.X_OK), reason="no chromium")
def test_a_page_sells_from_an_allowed_origin_and_is_refused_from_another(
        make_printer, make_service, tmp_path):
    printer = make_printer(1)
    allowed, other = PageServer(), PageServer()
    try:
        service = make_service({"till1": 1}, "--allow-origin", allowed.origin)
        for page in (allowed, other):
            page.page = PAGE % {"service": json.dumps(service.url),
                                "key": json.dumps(new_key()),
                                "body": json.dumps(receipt("7.77", name="Żółć w proszku")),
                                "inner": json.dumps(receipt("6.66"))}

        refused = other.open_in_chromium(tmp_path / "profile-other")
        assert "error" in refused["cors"], refused
        assert refused["simple"] == "sent"
        assert refused["smuggled"] == "sent"
        time.sleep(1)
        assert printer.counter() == 0
        assert printer.printouts() == []

        sold = allowed.open_in_chromium(tmp_path / "profile-allowed")
        assert sold["cors"]["status"] == 201, sold
        assert sold["cors"]["body"]["fiscalised"] is True
        assert sold["cors"]["body"]["receipt_number"] == 1
        # The plain POST from the allowed page is not JSON: refused too.
        assert printer.counter() == 1
        time.sleep(1)
        assert printer.fiscal_totals() == ["7,77"]
    finally:
        allowed.close()
        other.close()
