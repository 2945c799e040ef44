#!/usr/bin/env python3
"""sigrad.exe under wine64 against the Linux sigrad, in one run.

For each, on a fresh emulated printer (type 7) behind COM1 with
--line-rate 28800: the time from the program's start to its first answer
naming the printer online, the median of a status query, and the median of
a receipt of ten items sold under a key of its own. Prints both and their
ratios (Wine over Linux).

  bench/windows_service_bench.py --sigrad build/sigrad/sigrad \
      --sigrad-exe build/windows64/sigrad/sigrad.exe --emulator build/emulator/sigra-emu
"""
import argparse
import http.client
import json
import os
import shutil
import signal
import statistics
import subprocess
import tempfile
import time

ITEMS = [{"name": f"Towar {n}", "rate": "A", "quantity": 1, "unit": "szt", "price": "1.00"}
         for n in range(10)]
PORT = 18431


def request(method, path, body=None, headers=None):
    connection = http.client.HTTPConnection("127.0.0.1", PORT, timeout=60)
    data = json.dumps(body).encode() if body is not None else None
    all_headers = {"Content-Type": "application/json", **(headers or {})}
    connection.request(method, path, data, all_headers)
    answer = connection.getresponse()
    text = answer.read()
    connection.close()
    return answer.status, text


def ready_after(process, started):
    """Seconds from `started` until the service names its printer online."""
    while time.monotonic() - started < 120:
        if process.poll() is not None:
            raise SystemExit(f"the service ended with {process.returncode}")
        try:
            status, text = request("GET", "/v1/printers")
            if status == 200 and b'"online":true' in text:
                return time.monotonic() - started
        except OSError:
            pass
        time.sleep(0.02)
    raise SystemExit("the service did not become ready in 120 s")


def measure(command, env, folder, emulator, queries, receipts):
    printer = subprocess.Popen([emulator, "--type", "7", "--link", folder, "--port", "1",
                                "--line-rate", "28800"],
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    link = os.path.join(folder, "com1")
    while not os.path.exists(link):
        time.sleep(0.02)
    log = open(os.path.join(folder, "sigrad.log"), "wb")
    started = time.monotonic()
    service = subprocess.Popen(command, env=env, stdout=log, stderr=log)
    try:
        result = {"ready": ready_after(service, started)}
        times = []
        for _ in range(queries):
            begin = time.monotonic()
            status, _ = request("GET", "/v1/printers/till1/status")
            times.append(time.monotonic() - begin)
            assert status == 200
        result["status"] = statistics.median(times)
        times = []
        for n in range(receipts):
            begin = time.monotonic()
            status, text = request("POST", "/v1/printers/till1/receipts", {"items": ITEMS},
                                   {"Idempotency-Key": f"bench-{n}"})
            times.append(time.monotonic() - begin)
            assert status == 201, text
        result["receipt"] = statistics.median(times)
        return result
    finally:
        # Ctrl+C under Wine: the orderly stop on both.
        service.send_signal(signal.SIGINT)
        service.wait(30)
        printer.terminate()
        printer.wait(10)
        log.close()


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--sigrad", required=True)
    parser.add_argument("--sigrad-exe", required=True)
    parser.add_argument("--emulator", required=True)
    parser.add_argument("--queries", type=int, default=50)
    parser.add_argument("--receipts", type=int, default=3)
    args = parser.parse_args()
    wine = shutil.which("wine64") or "/usr/lib/wine/wine64"
    wineserver = shutil.which("wineserver") or "/usr/lib/wine/wineserver64"
    work = tempfile.mkdtemp(prefix="sigrad-bench-")
    try:
        linux_dir = os.path.join(work, "linux")
        wine_dir = os.path.join(work, "wine")
        os.makedirs(linux_dir)
        os.makedirs(wine_dir)
        linux = measure([args.sigrad, "--printer", "till1=COM1", "--listen", f"127.0.0.1:{PORT}",
                         "--journal", os.path.join(linux_dir, "journal.db")],
                        dict(os.environ, SIGRA_DOSDEVICES=linux_dir), linux_dir, args.emulator,
                        args.queries, args.receipts)
        env = dict(os.environ, WINEPREFIX=os.path.join(work, "prefix"), WINEARCH="win64",
                   WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=")
        env.pop("DISPLAY", None)
        subprocess.run([wine, "wineboot", "--init"], env=env, capture_output=True, check=True)
        subprocess.run([wine, "reg", "add", r"HKLM\Software\Wine\Ports", "/v", "COM1", "/t",
                        "REG_SZ", "/d", os.path.join(wine_dir, "com1"), "/f"],
                       env=env, capture_output=True, check=True)
        subprocess.run([wineserver, "-w"], env=env, check=True)
        # The Wine server and its services run on, as on a Windows machine.
        subprocess.run([wineserver, "-p"], env=env, check=True, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)
        journal = "Z:" + os.path.join(wine_dir, "journal.db").replace("/", "\\")
        windows = measure([wine, os.path.abspath(args.sigrad_exe), "--printer", "till1=COM1",
                           "--listen", f"127.0.0.1:{PORT}", "--journal", journal],
                          env, wine_dir, args.emulator, args.queries, args.receipts)
        subprocess.run([wineserver, "-k"], env=env)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    print(f"{'':24} {'Linux':>10} {'Wine':>10} {'ratio':>7}")
    for key, name in (("ready", "start to ready (s)"), ("status", "status query (ms)"),
                      ("receipt", "receipt, 10 items (s)")):
        scale = 1000 if key == "status" else 1
        print(f"{name:24} {linux[key] * scale:10.2f} {windows[key] * scale:10.2f} "
              f"{windows[key] / linux[key]:7.2f}")


if __name__ == "__main__":
    main()
