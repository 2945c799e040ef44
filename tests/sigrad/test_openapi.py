"""The service's own description, GET /v1/openapi.json: valid OpenAPI 3 by a
real validator (an npm package, installed from the lock file in
openapi/ into a cache outside the source tree), describing every route the
service serves, each answering with a status the description lists and a
body its schema accepts."""

from __future__ import annotations

import json
import os
import shutil
import subprocess
from pathlib import Path

import jsonschema
import pytest

from kit import new_key, receipt

HERE = Path(__file__).parent

# Every route the service serves, with the method; the description must hold
# each, and hold no other.
SERVED = {
    ("get", "/healthz"), ("get", "/metrics"), ("get", "/v1/openapi.json"),
    ("get", "/v1/printers"), ("get", "/v1/printers/{id}/status"),
    ("post", "/v1/printers/{id}/receipts"), ("get", "/v1/printers/{id}/receipts/{key}"),
    ("post", "/v1/printers/{id}/reports/daily"), ("post", "/v1/printers/{id}/reports/state"),
    ("post", "/v1/printers/{id}/reports/periodic"), ("get", "/v1/printers/{id}/clock"),
    ("post", "/v1/printers/{id}/clock/shift"), ("get", "/v1/printers/{id}/rates"),
    ("get", "/v1/printers/{id}/counters"), ("post", "/v1/printers/{id}/drawer"),
}


def validator_folder() -> Path:
    """node_modules with the validator, installed once from the lock file."""
    cache = Path(os.environ.get("SIGRA_NPM_CACHE", HERE / "openapi"))
    lock = (HERE / "openapi" / "package-lock.json").read_bytes()
    marker = cache / "installed-lock.json"
    if not (marker.exists() and marker.read_bytes() == lock):
        cache.mkdir(parents=True, exist_ok=True)
        for name in ("package.json", "package-lock.json", "validate.mjs"):
            shutil.copy(HERE / "openapi" / name, cache / name)
        subprocess.run(["npm", "ci", "--no-audit", "--no-fund", "--loglevel=error"], cwd=cache,
                       check=True)
        marker.write_bytes(lock)
    shutil.copy(HERE / "openapi" / "validate.mjs", cache / "validate.mjs")
    return cache


@pytest.fixture(scope="module")
def described(tmp_path_factory):
    if not shutil.which("node") or not shutil.which("npm"):
        pytest.skip("no node and npm (Debian: nodejs npm)")
    from kit import Printer, Service

    folder = tmp_path_factory.mktemp("openapi")
    monkey = pytest.MonkeyPatch()
    monkey.setenv("SIGRA_DOSDEVICES", str(folder))
    printer = Printer(folder, 1)
    service = Service(folder, {"till1": 1})
    answer = service.get("/v1/openapi.json")
    assert answer.status_code == 200
    assert answer.headers["Content-Type"].startswith("application/json")
    document = folder / "openapi.json"
    document.write_bytes(answer.content)
    resolved = folder / "resolved.json"
    cache = validator_folder()
    check = subprocess.run(["node", str(cache / "validate.mjs"), str(document), str(resolved)],
                           cwd=cache, capture_output=True, text=True)
    assert check.returncode == 0, check.stdout + check.stderr
    assert check.stdout.startswith("valid OpenAPI 3.")
    yield service, answer.json(), json.loads(resolved.read_text())
    service.stop()
    printer.stop_process()
    monkey.undo()


def test_the_description_is_openapi_3_0(described):
    _, document, _ = described
    assert document["openapi"].startswith("3.0."), document["openapi"]


def test_the_answers_of_the_gate_are_described_on_every_route(described):
    service, document, resolved = described
    for method, path in sorted(SERVED):
        concrete = path.replace("{id}", "till1").replace("{key}", "some-key")
        other = "DELETE"
        answers = [
            # Another method on a served path.
            service.http.request(other, service.url + concrete, timeout=60),
            # A path over 1024 characters on the route.
            service.http.request(method.upper(), service.url + concrete + "x" * 1100,
                                 timeout=60),
            # Headers over 64 KiB.
            service.http.request(method.upper(), service.url + concrete, timeout=60,
                                 headers={f"X-Filler-{n}": "y" * 1000 for n in range(70)}),
        ]
        if method == "get":
            answers.append(service.http.request("GET", service.url + concrete, data=b"{}",
                                                timeout=60))
        else:
            answers.append(service.post(concrete, b"[" + b" " * 70000 + b"]", new_key()))
        expected = [405, 414, 431, 400 if method == "get" else 413]
        assert [answer.status_code for answer in answers] == expected, (method, path)
        for answer in answers:
            check_answer(document, resolved, method, path, answer)


def test_the_description_holds_every_served_route_and_no_other(described):
    _, document, _ = described
    listed = {(method, path) for path, item in document["paths"].items()
              for method in item if method in ("get", "post", "put", "delete", "patch")}
    assert listed == SERVED


def schema_validator(document: dict, schema: dict) -> jsonschema.protocols.Validator:
    """A validator for one schema of the description: JSON Schema 2020-12 in
    OpenAPI 3.1, the OpenAPI dialect of draft 4 (with "nullable") in 3.0."""
    if document["openapi"].startswith("3.1"):
        return jsonschema.Draft202012Validator(schema)
    return jsonschema.Draft4Validator(nullable_to_types(schema))


def nullable_to_types(schema: object) -> object:
    if isinstance(schema, list):
        return [nullable_to_types(item) for item in schema]
    if not isinstance(schema, dict):
        return schema
    converted = {key: nullable_to_types(value) for key, value in schema.items()
                 if key not in ("nullable", "example", "examples", "discriminator", "readOnly",
                                "writeOnly", "xml", "externalDocs", "deprecated")}
    if schema.get("nullable"):
        if "type" in converted:
            converted["type"] = [converted["type"], "null"]
        elif "enum" in converted:
            converted["enum"] = [*converted["enum"], None]
        else:
            converted = {"anyOf": [converted, {"type": "null"}]}
    return converted


def check_answer(document: dict, resolved: dict, method: str, path: str, answer) -> None:
    operation = resolved["paths"][path][method]
    responses = operation["responses"]
    status = str(answer.status_code)
    described_answer = responses.get(status) or responses.get(f"{status[0]}XX") or \
        responses.get("default")
    assert described_answer is not None, (method, path, status, answer.text[:300],
                                         sorted(responses))
    if status in ("409", "503"):
        assert "Retry-After" in answer.headers, (method, path, status)
        assert "Retry-After" in described_answer.get("headers", {}), (method, path, status)
    if status == "405":
        assert "Allow" in described_answer.get("headers", {}), (method, path)
    content = described_answer.get("content", {})
    if not content:
        return
    media = answer.headers["Content-Type"].split(";")[0].strip()
    assert media in content, (method, path, status, media, sorted(content))
    schema = content[media].get("schema")
    if schema and media == "application/json":
        errors = list(schema_validator(document, schema).iter_errors(answer.json()))
        assert not errors, (method, path, status, [error.message for error in errors[:5]])


def request_body(path: str) -> object:
    bodies = {
        "/v1/printers/{id}/receipts": receipt("3.21"),
        "/v1/printers/{id}/reports/periodic": {"from": "2024-05-01", "to": "2024-05-17"},
        "/v1/printers/{id}/clock/shift": {"minutes": -15},
        "/v1/printers/{id}/drawer": {},
        "/v1/printers/{id}/reports/daily": {},
        "/v1/printers/{id}/reports/state": {},
    }
    return bodies.get(path)


def test_every_route_answers_as_described(described):
    service, document, resolved = described
    key = new_key()
    # The clock is shifted before the day's first receipt, the receipt goes
    # before the stored outcome of its key, and the daily report last, as it
    # closes the day.
    first = ["/v1/printers/{id}/clock/shift", "/v1/printers/{id}/receipts"]
    order = sorted(SERVED, key=lambda route: (route[1] not in first,
                                              first.index(route[1]) if route[1] in first else 0,
                                              route[1] == "/v1/printers/{id}/reports/daily"))
    for method, path in order:
        concrete = path.replace("{id}", "till1").replace("{key}", key)
        if method == "get":
            answer = service.get(concrete)
        else:
            body = request_body(path)
            described_body = resolved["paths"][path][method].get("requestBody")
            if described_body:
                # What is sent is what the description asks for.
                schema = described_body["content"]["application/json"]["schema"]
                errors = list(schema_validator(document, schema).iter_errors(body))
                assert not errors, (path, [error.message for error in errors])
            answer = service.post(concrete, body, new_key()
                                  if path != "/v1/printers/{id}/receipts" else key)
        assert answer.status_code < 400, (method, path, answer.status_code, answer.text[:300])
        check_answer(document, resolved, method, path, answer)

    # The errors too: an unknown printer, an unknown key, a refused body, a
    # request without its key.
    for method, path in sorted(SERVED):
        if "{id}" not in path:
            continue
        concrete = path.replace("{id}", "nosuch").replace("{key}", key)
        answer = (service.get(concrete) if method == "get"
                  else service.post(concrete, request_body(path), new_key()))
        assert answer.status_code == 404, (method, path, answer.status_code)
        check_answer(document, resolved, method, path, answer)
    for body, key_sent in (({"items": []}, new_key()), (receipt("1.00"), None),
                           (receipt("1.001"), new_key())):
        answer = service.post("/v1/printers/till1/receipts", body, key_sent)
        assert answer.status_code in (400, 422), answer.text
        check_answer(document, resolved, "post", "/v1/printers/{id}/receipts", answer)
    answer = service.get(f"/v1/printers/till1/receipts/{new_key()}")
    assert answer.status_code == 404
    check_answer(document, resolved, "get", "/v1/printers/{id}/receipts/{key}", answer)

