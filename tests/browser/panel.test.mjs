// The front panel in headless Chromium: one flight judged from the page
// against the reference server, with a press, a long press and the knob, and
// the ticket read back from the paper.
import {after, before, test} from "node:test";
import assert from "node:assert/strict";
import {spawn, execFileSync} from "node:child_process";
import fs from "node:fs";
import net from "node:net";
import os from "node:os";
import path from "node:path";
import {chromium} from "playwright-core";

const src = path.resolve(process.env.KV_SRC || new URL("../..", import.meta.url).pathname);
const build = path.resolve(process.env.KV_BUILD || path.join(src, "build"));
const work = fs.mkdtempSync(path.join(os.tmpdir(), "kv-panel-"));
const children = [];
let context, page;

const freePort = () => new Promise((resolve) => {
  const probe = net.createServer().listen(0, "127.0.0.1", () => {
    const {port} = probe.address();
    probe.close(() => resolve(port));
  });
});

async function waitFor(what, check, ms = 15000) {
  for (const end = Date.now() + ms; Date.now() < end;) {
    const value = await check().catch(() => null);
    if (value) return value;
    await new Promise((resolve) => setTimeout(resolve, 100));
  }
  throw new Error(`timed out waiting for ${what}`);
}

function start(program, args, log) {
  children.push(spawn(program, args, {stdio: ["ignore", fs.openSync(log, "a"), fs.openSync(log, "a")]}));
}

const rows = async () => (await page.locator("#lcd-text").textContent()).split("\n");
const figure = (shown) => parseInt(shown[2], 10);
async function untilLcd(what, shows, ms = 15000) {
  let shown = [];
  try {
    return await waitFor(`${what} on the display`, async () => {
      shown = await rows();
      return shows(shown) ? shown : null;
    }, ms);
  } catch (error) {
    throw new Error(`${error.message}; it shows ${JSON.stringify(shown)}`);
  }
}

async function press(key, ms = 150) {
  await page.locator(`[data-key="${key}"]`).hover();
  await page.mouse.down();
  await page.waitForTimeout(ms);
  await page.mouse.up();
}

// One detent at a time toward `wanted` until it shows and stays: in real time
// on a loaded machine an edge read late may lose or add a detent, as a worn
// knob would.
async function knobTo(wanted) {
  for (let attempt = 0; attempt < 8; attempt++) {
    const at = figure(await rows());
    if (at === wanted) {
      await page.waitForTimeout(500);
      if (figure(await rows()) === wanted) return;
      continue;
    }
    await page.locator("#knob").hover();
    await page.mouse.wheel(0, wanted > at ? -100 : 100);
    await untilLcd(`a figure other than ${at}`, (shown) => figure(shown) !== at, 3000).catch(() => null);
  }
  throw new Error(`the knob never settled on figure ${wanted}; the display shows ${JSON.stringify(await rows())}`);
}

// A key pressed while the screen is drawn again after the knob is forgotten,
// as on the terminal: press again until the figure shows the score.
async function scoreNine(at) {
  for (let attempt = 0; ; attempt++) {
    await knobTo(at);
    await press("9");
    try {
      return await untilLcd(`9 on figure ${at}`, (r) => figure(r) === at && /9(\.0)?$/.test(r[2].trimEnd()), 3000);
    } catch (error) {
      if (attempt === 3) throw error;
    }
  }
}

before(async () => {
  const data = path.join(work, "server-data"), log = path.join(work, "requests.log");
  execFileSync("bash", [path.join(src, "scripts/make-server-data.sh"), data], {stdio: "ignore"});
  start(path.join(build, "server/kalventrix-server"), ["--port", "0", "--memory", "--data", data], log);
  const server = await waitFor("the server", async () =>
    (fs.readFileSync(log, "utf8").match(/listening on (127\.0\.0\.1:\d+)/) || [])[1]);
  const root = path.join(work, "terminal"), db = path.join(root, "home/pi/kalventrix-db");
  execFileSync("bash", [path.join(src, "scripts/make-db.sh"), db], {stdio: "ignore"});
  execFileSync("sqlite3", [db, `UPDATE param SET valeur = 'http://${server}' WHERE cle = 'KALVENTRIX_IPServer';
    UPDATE param SET valeur = '1' WHERE cle = 'KALVENTRIX_WIFI';`]);
  const port = await freePort();
  // An encoder of one step per detent: a detent moves one figure however fast it is turned.
  start(path.join(build, "kalventrix-sim"), ["--root", root, "--panel", String(port), "--server-log", log,
                                             "--eeprom", "4321  11"],
        path.join(work, "panel.log"));
  const panel = `http://127.0.0.1:${port}/`;
  await waitFor("the panel", async () => (await fetch(`${panel}state?version=0`)).ok);
  context = await chromium.launchPersistentContext(path.join(work, "profile"), {
    executablePath: process.env.CHROMIUM || "/usr/bin/chromium",
    headless: true,
    args: ["--headless", "--no-sandbox", "--disable-gpu", "--no-first-run"],
  });
  page = context.pages()[0] || await context.newPage();
  await page.goto(panel);
});

after(async () => {
  if (context) await context.close();
  for (const child of children) child.kill("SIGTERM");
  fs.rmSync(work, {recursive: true, force: true});
});

test("a flight judged on the front panel", async () => {
  await untilLcd("the server's pilot", (r) => /P12 SPORT24/.test(r[0]) && figure(r) === 1, 40000);
  await waitFor("the first figure's announcement", async () =>
    /aplay -q \S*PGM\/SPORT24\/01\.WAV/.test(await page.locator("#log").innerText()));
  await press("8");
  await waitFor("the score's sound", async () => /SOUNDS\/10\.wav/.test(await page.locator("#log").innerText()));
  await press("VALID");
  await untilLcd("figure 2", (r) => figure(r) === 2);
  await press("0", 1400);  // held: the BP mark
  await untilLcd("BP on figure 2", (r) => figure(r) === 2 && /BP$/.test(r[2].trimEnd()));
  await press("VALID");
  await untilLcd("figure 3", (r) => figure(r) === 3);
  await knobTo(2);
  await knobTo(3);
  await scoreNine(3);
  for (let at = 3; ; at++) {
    if (at > 3) await press("9");
    await press("VALID");
    const shown = await untilLcd(`figure ${at + 1} or the confirmation`,
                                 (r) => figure(r) === at + 1 || r.join().includes("Validation"));
    if (shown.join().includes("Validation")) break;
  }
  await press("VALID");
  const paper = await waitFor("the ticket", async () => {
    const text = await page.locator("#paper").innerText();
    return /\.{32}/.test(text) ? text : null;
  }, 30000);
  assert.match(paper, /Pilot\s+012/);
  assert.match(paper, /02 Inside loop\s+BP/);
  assert.match(paper, /03 Half reverse Cuban eight\s+9/);
});
