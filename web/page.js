// The page around the engine: fetches the data, starts the program with the URL's parameters
// (?seed=1&mute&volume=50 ... become --seed 1 --mute --volume 50), plays the soundtrack through
// Web Audio, and offers to play again where the desktop program would end.
//
// ?capture&seed=1&size=400x300 starts the fixed-step run a browser test drives through
// window.vexhal.capture(...) (see there); no cover, no sound.
"use strict";

(function () {
  const params = new URLSearchParams(location.search);
  const capture = params.has("capture");
  const status = document.getElementById("status");
  const log = document.getElementById("log");
  const errors = []; // what the program said on stderr, for tests and for the end cover
  let audio = null;  // the AudioContext, made on the first click
  let files = null;  // the data, fetched once

  function args() {
    const out = [];
    for (const [key, value] of params) {
      if (key === "capture") continue;
      out.push("--" + key);
      if (value !== "") out.push(value);
    }
    if (capture) out.push("--capture");
    return out;
  }

  async function fetchData() {
    const names = ["vh_data.clu", "credits.txt"];
    const got = await Promise.all(names.map(async (name) => {
      const response = await fetch(name);
      if (!response.ok) throw new Error(name + ": " + response.status + " " + response.statusText);
      return new Uint8Array(await response.arrayBuffer());
    }));
    return names.map((name, i) => [name, got[i]]);
  }

  // Every track decoded by the browser and handed to the engine before it starts.
  async function decodeTracks(module) {
    const count = 7;
    const sizePtr = module._malloc(4);
    for (let track = 0; track < count; ++track) {
      const ptr = module._vh_web_track_bytes(track, sizePtr);
      const size = module.HEAP32[sizePtr >> 2];
      if (!ptr || !size) continue;
      const bytes = module.HEAPU8.slice(ptr, ptr + size);
      let buffer;
      try {
        buffer = await audio.decodeAudioData(bytes.buffer);
      } catch (e) {
        continue; // the engine refuses it like any damaged track
      }
      const frames = buffer.length;
      const left = buffer.getChannelData(0);
      const right = buffer.numberOfChannels > 1 ? buffer.getChannelData(1) : left;
      const samples = module._malloc(frames * 4);
      const out = module.HEAP16.subarray(samples >> 1, (samples >> 1) + frames * 2);
      for (let i = 0; i < frames; ++i) {
        out[2 * i] = Math.max(-32768, Math.min(32767, Math.round(left[i] * 32768)));
        out[2 * i + 1] = Math.max(-32768, Math.min(32767, Math.round(right[i] * 32768)));
      }
      // the engine asks for the same entry again when it loads: hand out those bytes first
      module._vh_web_track_bytes(track, sizePtr);
      module._vh_web_set_decoded(samples, frames);
      module._free(samples);
    }
    module._free(sizePtr);
  }

  function startAudio(module) {
    const frames = 2048;
    const node = audio.createScriptProcessor(frames, 0, 2);
    node.onaudioprocess = (event) => {
      const left = event.outputBuffer.getChannelData(0);
      const right = event.outputBuffer.getChannelData(1);
      const ptr = module._vh_web_mix(frames);
      if (!ptr) {
        left.fill(0);
        right.fill(0);
        return;
      }
      const s = module.HEAP16.subarray(ptr >> 1, (ptr >> 1) + frames * 2);
      for (let i = 0; i < frames; ++i) {
        left[i] = s[2 * i] / 32768;
        right[i] = s[2 * i + 1] / 32768;
      }
    };
    node.connect(audio.destination);
    return node;
  }

  let node = null;

  async function run() {
    const stage = document.getElementById("stage");
    let canvas = document.getElementById("canvas");
    const fresh = canvas.cloneNode(false); // a new GL context for every run
    stage.replaceChild(fresh, canvas);
    canvas = fresh;
    const module = await createVexhal({
      canvas: canvas,
      arguments: args(),
      print: (text) => console.log(text),
      printErr: (text) => {
        errors.push(text);
        console.warn(text);
      },
      vhAudioLead: () => (audio && !capture ? 4096 : 0),
      vhEnded: (code) => {
        if (node) {
          node.disconnect();
          node = null;
        }
        const last = errors.filter((line) => line.trim() !== "").pop();
        document.getElementById("endText").textContent =
          code === 0 ? "The end." : "The demo stopped: " + (last || "status " + code);
        document.getElementById("ended").hidden = false;
        window.vexhal.ended = code;
      },
    });
    for (const [name, bytes] of files) module.FS.writeFile("/" + name, bytes);
    if (audio && !capture) {
      status.textContent = "Decoding the soundtrack ...";
      await decodeTracks(module);
      node = startAudio(module);
    }
    document.getElementById("start").hidden = true;
    window.vexhal.module = module;
    window.vexhal.ended = null;
    canvas.focus();
    module.callMain(args());
    return module;
  }

  // The fixed-step run: keys is [[seconds, code, special], ...] in time order, times the demo
  // seconds whose frames are wanted. As vhcapture: before frame k the keys whose time has come
  // (t * fps <= k - 1) are pressed, then 1/fps is stepped and the frame drawn; the frame of time t
  // is frame ceil(t * fps). Resolves to [{t, png}] with each frame as a PNG data URL.
  async function captureRun(keys, times, fps) {
    const module = window.vexhal.module;
    const wanted = times.map((t) => Math.max(1, Math.ceil(t * fps - 1e-6)));
    const last = Math.max(...wanted);
    const out = [];
    const sizes = module._malloc(8);
    const canvas2d = document.createElement("canvas");
    let next = 0;
    for (let k = 1; k <= last; ++k) {
      while (next < keys.length && keys[next][0] * fps <= k - 1 + 1e-6) {
        module._vh_web_key(keys[next][1], keys[next][2] ? 1 : 0);
        ++next;
      }
      module._vh_web_step(1 / fps);
      const keep = wanted.includes(k);
      module._vh_web_render(keep ? 1 : 0);
      if (!keep) continue;
      const ptr = module._vh_web_frame(sizes, sizes + 4);
      const w = module.HEAP32[sizes >> 2], h = module.HEAP32[(sizes >> 2) + 1];
      canvas2d.width = w;
      canvas2d.height = h;
      const g = canvas2d.getContext("2d");
      const image = g.createImageData(w, h);
      image.data.set(module.HEAPU8.subarray(ptr, ptr + w * h * 4));
      g.putImageData(image, 0, 0);
      const png = canvas2d.toDataURL("image/png");
      times.forEach((t, i) => { if (wanted[i] === k) out.push({ t: t, png: png }); });
      if (k % 50 === 0) await new Promise((resolve) => setTimeout(resolve, 0));
    }
    module._free(sizes);
    return out;
  }

  window.vexhal = { errors: errors, capture: captureRun, module: null, ended: null, ready: false };

  document.getElementById("again").addEventListener("click", () => {
    document.getElementById("ended").hidden = true;
    run();
  });

  (async () => {
    try {
      files = await fetchData();
    } catch (e) {
      status.textContent = "The data could not be loaded: " + e.message;
      return;
    }
    if (capture) {
      await run();
      window.vexhal.ready = true;
      return;
    }
    status.textContent = "Vexhal";
    const play = document.getElementById("play");
    play.hidden = false;
    play.addEventListener("click", async () => {
      play.hidden = true;
      try {
        const Context = window.AudioContext || window.webkitAudioContext;
        if (Context && !params.has("mute")) audio = new Context({ sampleRate: 44100 });
      } catch (e) {
        audio = null; // no sound here: the demo plays silently
      }
      await run();
      window.vexhal.ready = true;
    }, { once: true });
  })();
})();
