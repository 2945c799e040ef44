// A till that sells through sigrad, in Node.js 18 or later (fetch built in).
// It sends the receipt under its Idempotency-Key and, while the outcome is
// unknown (no answer, 409, or "fiscalised": null), sends it again under the
// same key: sigrad sells a key at most once, so the receipt is never printed
// twice.
//
//   node sell-http.mjs [SERVICE [PRINTER [KEY]]]
//     default http://127.0.0.1:8420, till1, a new key
// Exit status 0: fiscalised; 1: not fiscalised, refused; 2: still unknown.
const [service = "http://127.0.0.1:8420", printer = "till1", key = `sale-${Date.now()}`] =
  process.argv.slice(2);
const receipt = {
  items: [{name: "Chleb razowy 500g", rate: "A", quantity: 2, unit: "szt", price: "4.50"},
          {name: "Mleko 3,2% 1l", rate: "B", quantity: "1.500", unit: "l", price: 3.99}],
  payments: [{name: "Gotówka", paid: "20.00", change: "5.76"}],
  lines: [{type: 0, text: "Dziękujemy za zakupy"}],
  discount_percent: 5,
};
const sleep = (ms) => new Promise((done) => setTimeout(done, ms));

for (let attempt = 1; attempt <= 10; attempt++) {
  let answer, result;
  try {
    answer = await fetch(`${service}/v1/printers/${printer}/receipts`, {
      method: "POST",
      headers: {"Content-Type": "application/json", "Idempotency-Key": key},
      body: JSON.stringify(receipt),
    });
    result = await answer.json();
  } catch (error) {
    console.error(`no answer (${error.cause?.code ?? error.message}); sending key ${key} again`);
    await sleep(2000);
    continue;
  }
  if (answer.ok) {
    console.log(`fiscalised: receipt ${result.receipt_number}, total ${result.total}`);
    process.exit(0);
  }
  if (answer.status !== 409 && result.fiscalised !== null) {
    // false, or absent for a request refused before anything was sent.
    console.log(`not fiscalised: ${answer.status} ${result.error.message}`);
    process.exit(1);
  }
  console.error(`outcome unknown (${answer.status} ${result.error.message}); sending key ${key} again`);
  await sleep(1000 * Number(answer.headers.get("Retry-After") ?? 2));
}
console.log(`unknown: ask GET ${service}/v1/printers/${printer}/receipts/${key} later`);
process.exit(2);
