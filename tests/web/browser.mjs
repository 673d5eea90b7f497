// The browser test: Debian's Chromium, headless, loads the browser build from a local server and
//  1. plays the fixed-step run and compares its frames with the desktop's (vhcapture's frames of the
//     same times, same seed and keys), block by block, within what two rasterisers may differ by;
//  2. plays the demo as a person would: the cover's click, 'n', the backquote, ESC, "Play again";
//  3. fails on any JavaScript error, WebGL error or GL error the program reports in either run.
//
//   node tests/web/browser.mjs --root build-web --desktop DIR --out DIR --keys KEYS --frames FILE
// KEYS is vhcapture's key script; FILE lists "seconds name" per line. Prints one line per frame and
// per check; exit status 1 when any fails.
import { chromium } from "playwright-core";
import fs from "node:fs";
import http from "node:http";
import path from "node:path";

// Two rasterisers round differently and the browser lights per vertex in its own arithmetic: a
// frame passes when its 8x8 blocks' mean colours stay close. A block "differs" when a channel's
// mean moves by more than BLOCK_LEVELS (of 255); the frame fails when more than BLOCK_SHARE of
// its blocks differ, or when its mean brightness moves by more than MEAN_LEVELS.
export const BLOCK = 8;
export const BLOCK_LEVELS = 40;
export const BLOCK_SHARE = 0.03;
export const MEAN_LEVELS = 6;

const KEY_CODES = {
  esc: [27, 0], space: [32, 0], enter: [13, 0], backspace: [8, 0], backquote: [96, 0],
  left: [100, 1], right: [102, 1], up: [101, 1], down: [103, 1], home: [106, 1], end: [107, 1],
  insert: [108, 1], pageup: [104, 1], pagedown: [105, 1], f3: [3, 1], f12: [12, 1],
};

function options() {
  const o = {};
  const argv = process.argv.slice(2);
  for (let i = 0; i < argv.length; i += 2) o[argv[i].replace(/^--/, "")] = argv[i + 1];
  for (const need of ["root", "desktop", "out", "keys", "frames"])
    if (!o[need]) throw new Error("browser.mjs: --" + need + " is missing");
  return o;
}

// "5:backquote,5.3:s" -> [[5, 96, 0], [5.3, 115, 0]], as vhcapture reads it.
function parseKeys(text) {
  return text.split(",").filter(Boolean).map((item) => {
    const at = item.indexOf(":");
    const t = Number(item.slice(0, at));
    const name = item.slice(at + 1);
    const code = KEY_CODES[name.toLowerCase()] || (name.length === 1 ? [name.charCodeAt(0), 0] : null);
    if (!code || !Number.isFinite(t)) throw new Error("browser.mjs: bad key " + item);
    return [t, code[0], code[1]];
  }).sort((a, b) => a[0] - b[0]);
}

function serve(root) {
  const types = { ".html": "text/html", ".js": "text/javascript", ".wasm": "application/wasm" };
  const server = http.createServer((req, res) => {
    const file = path.join(root, path.normalize(decodeURIComponent(new URL(req.url, "http://x").pathname)));
    if (!file.startsWith(root)) {
      res.writeHead(403);
      res.end();
      return;
    }
    fs.readFile(file, (err, data) => {
      if (err) {
        res.writeHead(404);
        res.end();
        return;
      }
      res.writeHead(200, { "Content-Type": types[path.extname(file)] || "application/octet-stream" });
      res.end(data);
    });
  });
  return new Promise((resolve) => server.listen(0, "127.0.0.1", () => resolve(server)));
}

// What the page says that a run must not: script errors, WebGL's complaints, the engine's GL errors.
function watch(page, problems, label) {
  page.on("pageerror", (e) => problems.push(label + ": JavaScript error: " + e.message));
  page.on("console", (m) => {
    const text = m.text();
    if (m.type() === "error" || /WebGL: |INVALID_|GL ERROR|GL_INVALID/.test(text) && !/NO GL ERROR/.test(text))
      problems.push(label + ": " + m.type() + ": " + text);
  });
}

// Block statistics of two PNGs, worked out in the browser (which decodes PNG for us).
async function compareInPage(page, a, b) {
  return page.evaluate(async ([a, b, block]) => {
    async function pixels(url) {
      const img = new Image();
      img.src = url;
      await img.decode();
      const c = document.createElement("canvas");
      c.width = img.width;
      c.height = img.height;
      const g = c.getContext("2d");
      g.drawImage(img, 0, 0);
      return g.getImageData(0, 0, img.width, img.height);
    }
    const [p, q] = [await pixels(a), await pixels(b)];
    if (p.width !== q.width || p.height !== q.height) return { size: [p.width, p.height, q.width, q.height] };
    const bw = Math.floor(p.width / block), bh = Math.floor(p.height / block);
    const deltas = [];
    let meanP = 0, meanQ = 0;
    for (let by = 0; by < bh; ++by)
      for (let bx = 0; bx < bw; ++bx) {
        const s = [0, 0, 0, 0, 0, 0];
        for (let y = by * block; y < (by + 1) * block; ++y)
          for (let x = bx * block; x < (bx + 1) * block; ++x) {
            const i = (y * p.width + x) * 4;
            for (let c = 0; c < 3; ++c) {
              s[c] += p.data[i + c];
              s[3 + c] += q.data[i + c];
            }
          }
        const n = block * block;
        let d = 0;
        for (let c = 0; c < 3; ++c) d = Math.max(d, Math.abs(s[c] - s[3 + c]) / n);
        deltas.push(d);
        meanP += (s[0] + s[1] + s[2]) / (3 * n);
        meanQ += (s[3] + s[4] + s[5]) / (3 * n);
      }
    return { deltas: deltas, meanA: meanP / deltas.length, meanB: meanQ / deltas.length };
  }, [a, b, BLOCK]);
}

export function judge(stats) {
  if (stats.size) return { ok: false, why: "sizes differ: " + stats.size.join(" ") };
  const differing = stats.deltas.filter((d) => d > BLOCK_LEVELS).length / stats.deltas.length;
  const meanMove = Math.abs(stats.meanA - stats.meanB);
  const ok = differing <= BLOCK_SHARE && meanMove <= MEAN_LEVELS;
  return {
    ok: ok,
    why: (100 * differing).toFixed(1) + "% of blocks differ by more than " + BLOCK_LEVELS + " levels (at most " +
      100 * BLOCK_SHARE + "%), mean brightness " + stats.meanA.toFixed(1) + " against " + stats.meanB.toFixed(1),
  };
}

const dataUrl = (file) => "data:image/png;base64," + fs.readFileSync(file).toString("base64");

async function frameRun(browser, base, o, problems) {
  const frames = fs.readFileSync(o.frames, "utf8").split("\n").map((l) => l.trim().split(/\s+/))
    .filter((f) => f.length === 2).map(([t, name]) => ({ t: Number(t), name: name }));
  const page = await browser.newPage();
  watch(page, problems, "fixed-step run");
  await page.goto(base + "index.html?capture&seed=1&size=400x300&quiet");
  await page.waitForFunction(() => window.vexhal && window.vexhal.ready, null, { timeout: 120000 });
  const start = Date.now();
  const shots = await page.evaluate(([keys, times]) => window.vexhal.capture(keys, times, 10),
    [parseKeys(o.keys), frames.map((f) => f.t)]);
  console.log("browser: " + shots.length + " frames in " + ((Date.now() - start) / 1000).toFixed(0) + " s");
  fs.mkdirSync(o.out, { recursive: true });
  let failed = 0;
  for (const f of frames) {
    const shot = shots.find((s) => s.t === f.t);
    const ms = String(Math.round(f.t * 1000)).padStart(7, "0");
    const desktop = path.join(o.desktop, "at_" + ms + ".png");
    if (!shot || !fs.existsSync(desktop)) {
      console.log("browser: " + f.name + " (" + f.t + " s): FAIL, no frame from " + (shot ? "the desktop" : "the browser"));
      ++failed;
      continue;
    }
    const file = path.join(o.out, f.name + ".png");
    fs.writeFileSync(file, Buffer.from(shot.png.split(",")[1], "base64"));
    const verdict = judge(await compareInPage(page, dataUrl(file), dataUrl(desktop)));
    console.log("browser: " + f.name + " (" + f.t + " s): " + (verdict.ok ? "ok" : "FAIL") + ", " + verdict.why);
    if (!verdict.ok) ++failed;
  }
  await page.close();
  return failed;
}

// The demo as a person plays it: keys through the page's own listeners, the end and the replay.
async function playRun(browser, base, problems) {
  const page = await browser.newPage({ viewport: { width: 1000, height: 800 } });
  watch(page, problems, "played run");
  const fails = [];
  const check = (ok, what) => {
    console.log("browser: " + what + ": " + (ok ? "ok" : "FAIL"));
    if (!ok) fails.push(what);
  };
  await page.goto(base + "index.html?mute&quiet");
  await page.click("#play", { timeout: 60000 });
  await page.waitForFunction(() => window.vexhal.ready, null, { timeout: 60000 });
  const ask = (fn) => page.evaluate((fn) => window.vexhal.module["_vh_web_" + fn](), fn);
  await page.waitForTimeout(1500);
  const row = await ask("row");
  await page.keyboard.press("n");
  await page.waitForFunction((row) => window.vexhal.module._vh_web_row() !== row, row, { timeout: 20000 })
    .catch(() => {});
  check((await ask("row")) !== row, "'n' moves the sequence on (row " + row + " -> " + (await ask("row")) + ")");
  await page.keyboard.press("Backquote");
  await page.waitForTimeout(500);
  check((await ask("console_open")) === 1, "the backquote opens the console");
  await page.keyboard.press("Backquote");
  await page.waitForTimeout(500);
  check((await ask("console_open")) === 0, "the backquote closes it again");
  await page.keyboard.press("Escape");
  await page.waitForFunction(() => window.vexhal.ended !== null, null, { timeout: 20000 }).catch(() => {});
  check(await page.evaluate(() => window.vexhal.ended === 0 && !document.getElementById("ended").hidden),
    "ESC ends the run with a still picture and the play-again button");
  await page.click("#again");
  await page.waitForFunction(() => window.vexhal.ended === null && window.vexhal.module, null, { timeout: 20000 });
  await page.waitForTimeout(1500);
  check((await ask("row")) === 0 && (await page.evaluate(() => document.getElementById("ended").hidden)),
    "play again starts at the first intro");
  await page.close();

  // With sound: the cover's click starts the page's audio; the engine's mixer must be asked for
  // samples and give music, not silence.
  const loud = await browser.newPage();
  watch(loud, problems, "run with sound");
  await loud.goto(base + "index.html?quiet");
  await loud.click("#play", { timeout: 60000 });
  await loud.waitForFunction(() => window.vexhal.ready, null, { timeout: 120000 });
  await loud.evaluate(() => {
    const m = window.vexhal.module, mix = m._vh_web_mix;
    window.mixed = { calls: 0, loud: 0 };
    m._vh_web_mix = (n) => {
      const p = mix(n);
      window.mixed.calls++;
      if (p && m.HEAP16.subarray(p >> 1, (p >> 1) + n * 2).some((v) => Math.abs(v) > 1000)) window.mixed.loud++;
      return p;
    };
  });
  await loud.waitForTimeout(4000);
  const mixed = await loud.evaluate(() => window.mixed);
  check(mixed.loud > 0, "the soundtrack plays (" + mixed.loud + " of " + mixed.calls + " buffers with music)");
  await loud.close();
  return fails.length;
}

async function main() {
  const o = options();
  const root = path.resolve(o.root);
  const server = await serve(root);
  const base = "http://127.0.0.1:" + server.address().port + "/";
  const browser = await chromium.launch({
    executablePath: process.env.CHROMIUM || "/usr/bin/chromium",
    args: ["--headless=new", "--use-angle=swiftshader", "--enable-unsafe-swiftshader", "--no-sandbox",
      "--autoplay-policy=no-user-gesture-required"],
  });
  const problems = [];
  let failed = 0;
  try {
    failed += await frameRun(browser, base, o, problems);
    failed += await playRun(browser, base, problems);
  } finally {
    await browser.close();
    server.close();
  }
  for (const p of problems) console.log("browser: FAIL, " + p);
  failed += problems.length;
  console.log("browser: " + (failed ? failed + " failed" : "passed"));
  process.exit(failed ? 1 : 0);
}

if (import.meta.url === "file://" + process.argv[1]) main().catch((e) => {
  console.log("browser: FAIL, " + e.message);
  process.exit(1);
});
