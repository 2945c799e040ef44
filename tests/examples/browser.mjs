// Serves examples/till.html on 127.0.0.1:PAGE_PORT, opens it in headless
// Chromium, sells one article through the service with the page's button and
// prints the page's result line.
//   node browser.mjs EXAMPLES_DIR PAGE_PORT SERVICE_URL CHROMIUM
import {readFileSync} from "node:fs";
import {createServer} from "node:http";
import {join} from "node:path";
import {chromium} from "playwright-core";

const [examples, pagePort, service, executablePath] = process.argv.slice(2);
const page = readFileSync(join(examples, "till.html"));
const server = createServer((request, response) => {
  response.writeHead(200, {"Content-Type": "text/html; charset=utf-8"}).end(page);
});
await new Promise((listening) => server.listen(Number(pagePort), "127.0.0.1", listening));

const browser = await chromium.launch({
  executablePath,
  args: ["--no-sandbox", "--disable-gpu", "--disable-background-networking",
         "--disable-component-update", "--no-first-run", "--disable-sync"],
});
try {
  const tab = await browser.newPage();
  await tab.goto(`http://127.0.0.1:${pagePort}/till.html?service=${encodeURIComponent(service)}`);
  await tab.click("#sell");
  const result = tab.locator("#result");
  await result.filter({hasText: /./}).waitFor({timeout: 60000});
  console.log(await result.textContent());
} finally {
  await browser.close();
  server.close();
}
