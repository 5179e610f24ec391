// The front panel page: draws the glass, the paper and the log from the
// board's state, plays the sounds, and sends keys and knob turns.
"use strict";

const DOT = 4, GAP = 1, CHAR_GAP = 3, MARGIN = 10;
const CELL_W = 5 * (DOT + GAP) + CHAR_GAP, CELL_H = 8 * (DOT + GAP) + CHAR_GAP;
const DETENT_DEGREES = 18;   // 20 detents a turn
const PAUSE_MS = 250;        // a detent after a pause counts as a slow one

const view = {
  cursor: {version: 0, paper: 0, log: 0, sounds: -1},
  glass: null,
  starts: 0,
  volume: 80,
  blinkOn: true,
  knobAngle: 0,
  soundsPlayed: 0,
};

// ---- Sending: one request after the other, so that a release never
// overtakes its press.
let sending = Promise.resolve();
function send(path) {
  sending = sending.then(() => fetch(path, {method: "POST", body: ""}).catch(() => {}));
  return sending;
}
function keyEdge(key, down) {
  send(`key?name=${encodeURIComponent(key)}&action=${down ? "down" : "up"}`);
}
let lastDetentAt = 0;
function detent(forward) {
  const now = performance.now();
  const ms = Math.round(Math.min(PAUSE_MS, Math.max(4, now - lastDetentAt)));
  lastDetentAt = now;
  view.knobAngle += forward ? DETENT_DEGREES : -DETENT_DEGREES;
  document.getElementById("knob-cap").style.transform = `rotate(${view.knobAngle}deg)`;
  send(`turn?dir=${forward ? 1 : -1}&ms=${ms}`);
}

// ---- The display
const lcd = document.getElementById("lcd");
lcd.width = 20 * CELL_W + 2 * MARGIN - CHAR_GAP;
lcd.height = 4 * CELL_H + 2 * MARGIN - CHAR_GAP;

function drawGlass() {
  const g = view.glass;
  const ctx = lcd.getContext("2d");
  const lit = g && g.present && g.backlight;
  ctx.fillStyle = lit ? "#9fd23c" : "#4b5a2a";
  ctx.fillRect(0, 0, lcd.width, lcd.height);
  const ink = lit ? "#1d3304" : "#1c220f";
  const unlit = lit ? "#93c536" : "#475627";
  for (let row = 0; row < 4; row++) {
    for (let col = 0; col < 20; col++) {
      let rows = [0, 0, 0, 0, 0, 0, 0, 0];
      if (g && g.present && g.display) {
        const code = g.cells[row][col];
        rows = code < 0x10 ? g.cgram[code & 7].slice() : lcdRomRows(code);
        if (row === g.cursorRow && col === g.cursorCol) {
          if (g.cursor) rows[7] = 0x1f;
          if (g.blink && view.blinkOn) rows = rows.map(() => 0x1f);
        }
      }
      drawCell(ctx, MARGIN + col * CELL_W, MARGIN + row * CELL_H, rows, ink, unlit);
    }
  }
  document.getElementById("lcd-text").textContent = glassText(g);
}

function drawCell(ctx, x, y, rows, ink, unlit) {
  for (let r = 0; r < 8; r++)
    for (let c = 0; c < 5; c++) {
      ctx.fillStyle = (rows[r] >> (4 - c)) & 1 ? ink : unlit;
      ctx.fillRect(x + c * (DOT + GAP), y + r * (DOT + GAP), DOT, DOT);
    }
}

function glassText(g) {
  if (!g || !g.present) return "(no display)";
  if (!g.display) return "(display off)";
  return g.cells.map((row) => row.map(lcdCellText).join("")).join("\n");
}

setInterval(() => {
  view.blinkOn = !view.blinkOn;
  if (view.glass && view.glass.blink) drawGlass();
}, 400);

// ---- Paper
const paper = document.getElementById("paper");
function justified(line) {
  const free = Math.max(0, line.width - [...line.text].length);
  const left = line.justify === "C" ? Math.floor(free / 2) : line.justify === "R" ? free : 0;
  return " ".repeat(left) + line.text;
}
function addPaper(lines) {
  const atBottom = paper.scrollTop + paper.clientHeight >= paper.scrollHeight - 4;
  for (const line of lines) {
    const div = document.createElement("div");
    div.className = "pline";
    for (const flag of ["bold", "underline", "strike", "inverse", "fontB", "upsideDown"])
      if (line[flag]) div.classList.add(flag);
    if (line.doubleHeight) div.classList.add("dh");
    if (line.doubleWidth) div.classList.add("dw");
    const span = document.createElement("span");
    span.textContent = justified(line);
    div.appendChild(span);
    paper.appendChild(div);
  }
  if (atBottom) paper.scrollTop = paper.scrollHeight;
}

// ---- Log
const log = document.getElementById("log");
const LOG_SHOWN = 1500;
function addLog(entries) {
  const atBottom = log.scrollTop + log.clientHeight >= log.scrollHeight - 4;
  for (const entry of entries) {
    const div = document.createElement("div");
    div.className = entry.kind;
    div.textContent = `${entry.kind}: ${entry.text}`;
    log.appendChild(div);
  }
  while (log.childElementCount > LOG_SHOWN) log.firstElementChild.remove();
  if (atBottom) log.scrollTop = log.scrollHeight;
}
for (const box of document.querySelectorAll(".log-head input"))
  box.addEventListener("change", () => log.classList.toggle(`hide-${box.dataset.kind}`, !box.checked));

// ---- Sound: each aplay as its own player, so announcements overlap.
function playSounds(paths) {
  for (const path of paths) {
    const audio = new Audio(`sound?path=${encodeURIComponent(path)}`);
    audio.volume = Math.min(1, Math.max(0, view.volume / 100));
    audio.play().catch(() => {});
    view.soundsPlayed++;
    document.getElementById("sound-count").textContent = view.soundsPlayed;
  }
}

// ---- State from the board
function setStatus(text, kind) {
  const status = document.getElementById("status");
  status.textContent = text;
  status.className = `status ${kind}`;
}

function apply(state) {
  const c = view.cursor;
  if (state.paperFrom < c.paper) { paper.textContent = ""; c.paper = state.paperFrom; }
  if (state.logFrom < c.log) { log.textContent = ""; }
  addPaper(state.paper);
  c.paper = state.paperFrom + state.paper.length;
  addLog(state.log);
  c.log = state.logFrom + state.log.length;
  // Sounds from before this page (or from before a restart of the panel) are not replayed.
  const fresh = c.sounds >= 0 && state.soundFrom >= c.sounds;
  view.volume = state.volume;
  document.getElementById("volume").textContent = state.volume;
  if (fresh) playSounds(state.sounds);
  c.sounds = state.soundFrom + state.sounds.length;
  c.version = state.version;
  if (view.starts && state.starts > view.starts) addLog([{kind: "panel", text: "program started again"}]);
  view.starts = state.starts;
  view.glass = state.glass;
  drawGlass();
  setStatus(state.status, state.status === "running" ? "running" : "ended");
}

async function poll() {
  for (;;) {
    const c = view.cursor;
    try {
      const reply = await fetch(`state?version=${c.version}&paper=${c.paper}&log=${c.log}` +
                                `&sounds=${Math.max(0, c.sounds)}`, {cache: "no-store"});
      if (!reply.ok) throw new Error(reply.status);
      apply(await reply.json());
    } catch (error) {
      // The runner is gone or restarting: try again until it answers.
      setStatus("connection lost, reconnecting...", "lost");
      await new Promise((resolve) => setTimeout(resolve, 1000));
    }
  }
}

// ---- Keys: press and release are the key's own, so long presses and chords are real.
for (const button of document.querySelectorAll("[data-key]")) {
  const key = button.dataset.key;
  const release = () => {
    if (!button.classList.contains("down")) return;
    button.classList.remove("down");
    keyEdge(key, false);
  };
  button.addEventListener("pointerdown", (event) => {
    event.preventDefault();
    event.stopPropagation();
    button.setPointerCapture(event.pointerId);
    button.classList.add("down");
    keyEdge(key, true);
  });
  button.addEventListener("pointerup", release);
  button.addEventListener("pointercancel", release);
  button.addEventListener("contextmenu", (event) => event.preventDefault());
}

const KEYBOARD = {"+": "PLUS", "=": "PLUS", "-": "MINUS", "Enter": "VALID", "r": "REPEAT",
                  "n": "NO", "m": "R_C", "p": "POWER", "t": "10"};
for (let digit = 0; digit <= 9; digit++) KEYBOARD[String(digit)] = String(digit);
const KNOB_KEYS = {"ArrowRight": true, "ArrowUp": true, "ArrowLeft": false, "ArrowDown": false};

function keyButton(name) {
  return document.querySelector(`[data-key="${name}"]`);
}
document.addEventListener("keydown", (event) => {
  if (event.key in KNOB_KEYS) {
    event.preventDefault();
    detent(KNOB_KEYS[event.key]);
    return;
  }
  const name = KEYBOARD[event.key.length === 1 ? event.key.toLowerCase() : event.key];
  if (!name || event.repeat || event.ctrlKey || event.metaKey || event.altKey) return;
  event.preventDefault();
  const button = keyButton(name);
  if (button.classList.contains("down")) return;
  button.classList.add("down");
  keyEdge(name, true);
});
document.addEventListener("keyup", (event) => {
  const name = KEYBOARD[event.key.length === 1 ? event.key.toLowerCase() : event.key];
  if (!name) return;
  const button = keyButton(name);
  if (!button.classList.contains("down")) return;
  button.classList.remove("down");
  keyEdge(name, false);
});
// Keys held while the window loses focus would stay down for ever.
window.addEventListener("blur", () => {
  for (const button of document.querySelectorAll("[data-key].down")) {
    button.classList.remove("down");
    keyEdge(button.dataset.key, false);
  }
});

// ---- Knob: dragging around its centre, the wheel, or the arrow keys.
const knob = document.getElementById("knob");
let dragAngle = null, dragRest = 0;
function pointerAngle(event) {
  const box = knob.getBoundingClientRect();
  return Math.atan2(event.clientY - (box.top + box.height / 2),
                    event.clientX - (box.left + box.width / 2)) * 180 / Math.PI;
}
knob.addEventListener("pointerdown", (event) => {
  knob.setPointerCapture(event.pointerId);
  dragAngle = pointerAngle(event);
  dragRest = 0;
});
knob.addEventListener("pointermove", (event) => {
  if (dragAngle === null) return;
  const angle = pointerAngle(event);
  let delta = angle - dragAngle;
  if (delta > 180) delta -= 360;
  if (delta < -180) delta += 360;
  dragAngle = angle;
  dragRest += delta;
  while (Math.abs(dragRest) >= DETENT_DEGREES) {
    const forward = dragRest > 0;
    dragRest += forward ? -DETENT_DEGREES : DETENT_DEGREES;
    detent(forward);
  }
});
const endDrag = () => { dragAngle = null; };
knob.addEventListener("pointerup", endDrag);
knob.addEventListener("pointercancel", endDrag);
knob.addEventListener("wheel", (event) => {
  event.preventDefault();
  if (event.deltaY !== 0) detent(event.deltaY < 0);
}, {passive: false});

drawGlass();
poll();
