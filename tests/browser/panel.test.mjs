// The front panel in headless Chromium: a whole flight judged from the page
// against the reference server, with keys pressed and held, the knob turned,
// and the display, the paper and the director's page read back.
import {after, before, describe, test} from "node:test";
import assert from "node:assert/strict";
import {spawn, execFileSync} from "node:child_process";
import fs from "node:fs";
import net from "node:net";
import os from "node:os";
import path from "node:path";
import {chromium} from "playwright-core";

const src = path.resolve(process.env.KV_SRC || new URL("../..", import.meta.url).pathname);
const build = path.resolve(process.env.KV_BUILD || path.join(src, "build"));
const shots = path.resolve(process.env.KV_SCREENSHOTS || path.join(build, "browser-screenshots"));
const work = fs.mkdtempSync(path.join(os.tmpdir(), "kv-panel-"));
const children = [];
let context, page, panelUrl, serverUrl;

function freePort() {
  return new Promise((resolve, reject) => {
    const probe = net.createServer().listen(0, "127.0.0.1", () => {
      const {port} = probe.address();
      probe.close(() => resolve(port));
    });
    probe.on("error", reject);
  });
}

async function waitFor(what, check, ms = 15000) {
  const end = Date.now() + ms;
  for (;;) {
    const value = await check().catch(() => null);
    if (value) return value;
    if (Date.now() > end) throw new Error(`timed out waiting for ${what}`);
    await new Promise((resolve) => setTimeout(resolve, 100));
  }
}

function start(program, args, logFile) {
  const out = fs.openSync(logFile, "a");
  const child = spawn(program, args, {stdio: ["ignore", out, out]});
  children.push(child);
  return child;
}

async function startServer() {
  const data = path.join(work, "server-data");
  execFileSync("bash", [path.join(src, "scripts/make-server-data.sh"), data], {stdio: "ignore"});
  const log = path.join(work, "requests.log");
  start(path.join(build, "server/kalventrix-server"), ["--port", "0", "--memory", "--data", data], log);
  const port = await waitFor("the server", async () =>
    (fs.readFileSync(log, "utf8").match(/listening on 127\.0\.0\.1:(\d+)/) || [])[1]);
  return {url: `http://127.0.0.1:${port}`, log};
}

// The terminal's database points at the loopback server before the program starts.
function prepareTerminal(root, url) {
  const db = path.join(root, "home/pi/kalventrix-db");
  execFileSync("bash", [path.join(src, "scripts/make-db.sh"), db], {stdio: "ignore"});
  execFileSync("sqlite3", [db, `UPDATE param SET valeur = '${url}' WHERE cle = 'KALVENTRIX_IPServer';
    UPDATE param SET valeur = '1' WHERE cle = 'KALVENTRIX_WIFI';`]);
  const stored = execFileSync("sqlite3", [db, "SELECT valeur FROM param WHERE cle = 'KALVENTRIX_IPServer'"]);
  assert.equal(stored.toString().trim(), url);
}

const lcdText = () => page.locator("#lcd-text").textContent();
const lcdRows = async () => (await lcdText()).split("\n");
const paperText = () => page.locator("#paper").innerText();

async function untilLcd(what, predicate, ms = 15000) {
  let last = [];
  try {
    return await waitFor(`${what} on the display`, async () => {
      last = await lcdRows();
      return predicate(last) ? last : null;
    }, ms);
  } catch (error) {
    throw new Error(`${error.message}; the display shows\n${last.join("\n")}`);
  }
}

// A mouse press on a key of the panel, held for `ms`.
async function press(key, ms = 150) {
  await page.locator(`[data-key="${key}"]`).hover();
  await page.mouse.down();
  await page.waitForTimeout(ms);
  await page.mouse.up();
}

async function wheel(detents) {
  await page.locator("#knob").hover();
  for (let i = 0; i < Math.abs(detents); i++) {
    await page.mouse.wheel(0, detents > 0 ? -100 : 100);
    await page.waitForTimeout(300);
  }
}

const currentFigure = (rows) => parseInt(rows[2], 10);

// One detent at a time until the screen shows `figure`. In real time on a
// loaded machine an encoder edge can be read late and a detent lost, as a
// worn knob would; a few tries tell that from a knob that does not work.
async function wheelTo(figure, direction, row = /./) {
  for (let attempt = 0; attempt < 4; attempt++) {
    await wheel(direction);
    try {
      return await untilLcd(`figure ${figure}`,
                            (r) => currentFigure(r) === figure && row.test(r[2]), 3000);
    } catch (error) {
      if (attempt === 3) throw error;
    }
  }
}

// The figure on show once it has stood still for a while: a detent read late
// in real time may still move it after the knob has been let go.
async function settledFigure() {
  let shown = NaN, since = Date.now();
  while (Number.isNaN(shown) || Date.now() - since < 1500) {
    await page.waitForTimeout(100);
    const now = currentFigure(await lcdRows());
    if (Number.isNaN(now) || now === shown) continue;  // NaN: the blinking row
    shown = now;
    since = Date.now();
  }
  return shown;
}

async function screenshot(name) {
  await page.screenshot({path: path.join(shots, `${name}.png`), fullPage: true});
}

before(async () => {
  fs.mkdirSync(shots, {recursive: true});
  const server = await startServer();
  serverUrl = server.url;
  const root = path.join(work, "terminal");
  prepareTerminal(root, serverUrl);
  const port = await freePort();
  panelUrl = `http://127.0.0.1:${port}/`;
  start(path.join(build, "kalventrix-sim"),
        ["--root", root, "--panel", String(port), "--restart", "--server-log", server.log],
        path.join(work, "panel.log"));
  await waitFor("the panel", async () =>
    (await fetch(`${panelUrl}state?version=0`, {signal: AbortSignal.timeout(5000)})).ok);
  context = await chromium.launchPersistentContext(path.join(work, "browser-profile"), {
    executablePath: process.env.CHROMIUM || "/usr/bin/chromium",
    headless: true,
    viewport: {width: 1500, height: 900},
    args: ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
           "--disable-background-networking", "--disable-component-update", "--disable-sync",
           "--autoplay-policy=no-user-gesture-required"],
  });
  page = context.pages()[0] || await context.newPage();
  await page.goto(panelUrl);
});

after(async () => {
  if (context) await context.close();
  for (const child of children) child.kill("SIGTERM");
  await new Promise((resolve) => setTimeout(resolve, 300));
  fs.rmSync(work, {recursive: true, force: true});
});

describe("a flight judged on the front panel", () => {
  test("the pilot comes from the server and the first figure is announced", async () => {
    const rows = await untilLcd("score entry", (r) => /SPORT24/.test(r[0]) && /^1 Takeoff/.test(r[2]), 40000);
    await waitFor("the announcement", async () =>
      Number(await page.locator("#sound-count").textContent()) > 0);
    const log = await waitFor("the figure's announcement in the log", async () => {
      const text = await page.locator("#log").innerText();
      return /shell: aplay -q \/home\/pi\/sounds\/#ENG\/PGM\/SPORT24\/01\.WAV &/.test(text) ? text : null;
    });
    assert.match(log, /server: .*OPT=P&L=1/);
    await screenshot("1-score-entry");
  });

  test("a short press scores and VALID moves on", async () => {
    await press("8");
    await untilLcd("the score of figure 1", (r) => /10$/.test(r[2].trimEnd()) || /8$/.test(r[2].trimEnd()));
    await press("VALID");
    await untilLcd("figure 2", (r) => currentFigure(r) === 2);
  });

  test("a key held for more than a second is a long press", async () => {
    await press("0", 1400);
    const rows = await untilLcd("the BP mark", (r) => currentFigure(r) === 2 && /BP\s*$/.test(r[2]));
    assert.match(rows[2], /^2 Inside loop/);
    await screenshot("2-long-press");
    await press("VALID");
    await untilLcd("figure 3", (r) => currentFigure(r) === 3);
  });

  test("the knob steps through the figures both ways", async () => {
    await wheelTo(2, -1, /^2 Inside loop\s+BP$/);
    await wheelTo(3, 1);
    // A drag around the knob turns it too.
    const box = await page.locator("#knob").boundingBox();
    const cx = box.x + box.width / 2, cy = box.y + box.height / 2, radius = box.width * 0.42;
    await page.mouse.move(cx, cy - radius);
    await page.mouse.down();
    for (let degrees = 0; degrees >= -40; degrees -= 5) {
      const angle = (degrees - 90) * Math.PI / 180;
      await page.mouse.move(cx + radius * Math.cos(angle), cy + radius * Math.sin(angle));
      await page.waitForTimeout(60);
    }
    await page.mouse.up();
    // The screen counts movements, not detents: quick detents while it redraws may merge.
    const dragged = currentFigure(await untilLcd("a figure before 3 after a drag backwards",
                                                 (r) => currentFigure(r) < 3));
    for (let figure = dragged + 1; figure <= 3; figure++) await wheelTo(figure, 1);
  });

  test("the keyboard presses keys too", async () => {
    const figure = await settledFigure();
    await page.keyboard.down("7");
    await page.waitForTimeout(150);
    await page.keyboard.up("7");
    await untilLcd(`a 7 on figure ${figure}`,
                   (r) => currentFigure(r) === figure && /7$/.test(r[2].trimEnd()));
    await page.keyboard.down("Enter");
    await page.waitForTimeout(150);
    await page.keyboard.up("Enter");
    await untilLcd(`figure ${figure + 1}`, (r) => currentFigure(r) === figure + 1);
  });

  test("the rest of the schedule, the confirmation and the ticket", async () => {
    for (let figure = currentFigure(await lcdRows()); ; figure++) {
      await press("9");
      await press("VALID");
      const rows = await untilLcd(`figure ${figure + 1} or the end`, (r) =>
        currentFigure(r) === figure + 1 || r.some((row) => row.includes("Validation")));
      if (rows.some((row) => row.includes("Validation"))) break;
      assert.ok(figure < 30, "the schedule never ended");
    }
    await screenshot("3-validation");
    await press("VALID");
    const paper = await waitFor("the ticket", async () => {
      const text = await paperText();
      return /SPORT24/.test(text) && /BP/.test(text) && /\.{32}/.test(text) ? text : null;
    }, 30000);
    assert.match(paper, /01 Takeoff sequence/);
    assert.match(paper, /02 Inside loop\s+BP/);
    await screenshot("4-ticket");
  });

  test("the sheet reaches the director's page", async () => {
    const pageText = await waitFor("the sheet on the server", async () => {
      const text = await (await fetch(serverUrl + "/", {signal: AbortSignal.timeout(5000)})).text();
      return /BP/.test(text) ? text : null;
    });
    assert.doesNotMatch(pageText.split("BP")[0].slice(-2000), /missing<\/td>\s*$/);
  });

  test("the paper can be saved as a PNG", async () => {
    const reply = await fetch(panelUrl + "paper.png");
    assert.equal(reply.status, 200);
    const bytes = Buffer.from(await reply.arrayBuffer());
    assert.equal(bytes.subarray(1, 4).toString(), "PNG");
    fs.writeFileSync(path.join(shots, "paper.png"), bytes);
  });

  test("the panel refuses what is not a key, a turn or a sandbox sound", async () => {
    assert.equal((await fetch(panelUrl + "key?name=ENTER&action=down", {method: "POST", body: ""})).status, 400);
    assert.equal((await fetch(panelUrl + "key?name=VALID&action=hold", {method: "POST", body: ""})).status, 400);
    assert.equal((await fetch(panelUrl + "turn?dir=2&ms=10", {method: "POST", body: ""})).status, 400);
    assert.equal((await fetch(panelUrl + "sound?path=/home/pi/kalventrix-db")).status, 400);
    assert.equal((await fetch(panelUrl + "sound?path=/home/pi/../../../etc/x.wav")).status, 400);
  });
});
