// The gateway's web page in headless Chromium: two simulated readers, the gateway, the page
// loaded before anything departs; the DOM must show the readers online, the scenario's tags
// at their locations, then one tag's departure arriving live (the event in the feed, the tag
// gone from its location). Saves a screenshot.
//   node browser_test.mjs READERSIM GATEWAY WORK_DIR SCREENSHOT PLAYWRIGHT_DIR
import { spawn } from "node:child_process";
import { writeFileSync } from "node:fs";
import { createRequire } from "node:module";
import path from "node:path";
import readline from "node:readline";

const [readersim, gatewayProgram, work, screenshot, playwrightDir] = process.argv.slice(2);
const require = createRequire(import.meta.url);
const { chromium } = require(path.resolve(playwrightDir));

const children = [];
function stopAll() {
  for (const child of children) if (child.exitCode === null) child.kill("SIGTERM");
}
process.on("exit", stopAll);

// Spawns a program and resolves with the first line of `stream` matching `pattern`.
function startAndWait(program, args, stream, pattern) {
  return new Promise((resolve, reject) => {
    const child = spawn(program, args, { stdio: ["ignore", "pipe", "pipe"] });
    children.push(child);
    const timer = setTimeout(() => reject(new Error(`${program}: no line matching ${pattern}`)), 10000);
    const lines = readline.createInterface({ input: child[stream] });
    lines.on("line", (line) => {
      if (stream === "stderr") process.stderr.write(`  gateway| ${line}\n`);
      const match = line.match(pattern);
      if (match) {
        clearTimeout(timer);
        resolve({ child, match });
      }
    });
    child.on("exit", (code) => reject(new Error(`${program} exited with ${code}`)));
  });
}

function scenario(tags) {
  return JSON.stringify({ reader: { address: 1, reader_chip: true }, tags });
}

async function main() {
  // The dock holds two tags; the second leaves its field 5 s after the reader starts.
  writeFileSync(path.join(work, "dock.json"), scenario([
    { standard: "epc", epc: "AAAA0001" },
    { standard: "epc", epc: "AAAA0002", presence: { out_s: 5 } },
  ]));
  writeFileSync(path.join(work, "shelf.json"), scenario([{ standard: "epc", epc: "BBBB0001" }]));
  const ports = [];
  for (const name of ["dock", "shelf"]) {
    const { match } = await startAndWait(readersim, ["--no-pty", "--tcp", "0", "--scenario", path.join(work, `${name}.json`)],
      "stdout", /^tcp .*:(\d+)$/);
    ports.push(match[1]);
  }
  writeFileSync(path.join(work, "gateway.toml"), `
[gateway]
id = "browser-test"
port = 0
[inventory]
period_ms = 100
[events]
departure_timeout_s = 1.5
[store]
path = "events.db"
[[readers]]
id = "dock-1"
uri = "tcp://127.0.0.1:${ports[0]}?address=1"
location = "dock"
[[readers]]
id = "shelf-1"
uri = "tcp://127.0.0.1:${ports[1]}?address=1"
location = "shelf"
`);
  const { match } = await startAndWait(gatewayProgram, ["--config", path.join(work, "gateway.toml")], "stderr",
    /listening on (http:\/\/127\.0\.0\.1:\d+\/)$/);
  const url = match[1];

  const browser = await chromium.launch({ executablePath: "/usr/bin/chromium", args: ["--no-sandbox"] });
  try {
    const page = await browser.newPage({ viewport: { width: 1280, height: 900 } });
    page.on("pageerror", (e) => { throw new Error(`page error: ${e.message}`); });
    await page.goto(url);
    const timeout = { timeout: 10000 };
    await page.waitForSelector('#readers tr[data-reader="dock-1"][data-status="online"]', timeout);
    await page.waitForSelector('#readers tr[data-reader="shelf-1"][data-status="online"]', timeout);
    for (const [location, tag] of [["dock", "AAAA0001"], ["dock", "AAAA0002"], ["shelf", "BBBB0001"]])
      await page.waitForSelector(`.location[data-location="${location}"] li.tag[data-tag="${tag}"]`, timeout);
    await page.waitForSelector('#events li.arrived[data-tag="BBBB0001"]', timeout);
    if (await page.$("#events li.departed"))
      throw new Error("a departure was on the page before the tag left: the test would not show it arriving live");
    const feed = await page.textContent("#feed-state");
    if (feed !== "live") throw new Error(`the event stream is ${feed}, not live`);

    // The departure, pushed over the live stream.
    await page.waitForSelector('#events li.departed[data-tag="AAAA0002"]', { timeout: 15000 });
    await page.waitForSelector('.location[data-location="dock"] li.tag[data-tag="AAAA0002"]', { state: "detached", timeout: 5000 });
    if (!(await page.$('.location[data-location="dock"] li.tag[data-tag="AAAA0001"]')))
      throw new Error("the tag that stays left the page too");
    const departed = await page.textContent('#events li.departed[data-tag="AAAA0002"]');
    if (!departed.includes("departed dock-1@dock epc AAAA0002")) throw new Error(`departure line: ${departed}`);
    await page.screenshot({ path: screenshot, fullPage: true });
    console.log(`page at ${url} showed the tags and the departure; screenshot ${screenshot}`);
  } finally {
    await browser.close();
  }
}

main().then(() => {
  stopAll();
  process.exit(0);
}, (e) => {
  console.error(`FAIL: ${e.message}`);
  stopAll();
  process.exit(1);
});
