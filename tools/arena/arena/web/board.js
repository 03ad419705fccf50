// The arena's board page: draws the server's game (or a loaded .psq record) and sends the
// person's clicks. The server judges everything; this page only shows and asks.
"use strict";

const N = 20, CELL = 30, MARGIN = 36, SIZE = 2 * MARGIN + (N - 1) * CELL, SVG_NS = "http://www.w3.org/2000/svg";
const $ = (id) => document.getElementById(id);
let state = null;      // the server's last answer: {version, brains, game}
let receivedAt = 0;    // when it arrived (performance.now())
let replay = null;     // a loaded record: {moves, names, win_line, pos}

function svg(tag, attrs, parent) {
  const node = document.createElementNS(SVG_NS, tag);
  for (const [key, value] of Object.entries(attrs)) node.setAttribute(key, value);
  if (parent) parent.appendChild(node);
  return node;
}

const at = (i) => MARGIN + i * CELL;

function drawBoard() {
  const board = $("board");
  const defs = svg("defs", {}, board);
  for (const [id, inner, outer] of [["black-stone", "#666", "#000"], ["white-stone", "#fff", "#cfcfcf"]]) {
    const gradient = svg("radialGradient", {id, cx: "35%", cy: "35%", r: "65%"}, defs);
    svg("stop", {offset: "0%", "stop-color": inner}, gradient);
    svg("stop", {offset: "100%", "stop-color": outer}, gradient);
  }
  svg("rect", {class: "wood", x: 0, y: 0, width: SIZE, height: SIZE}, board);
  let path = "";
  for (let i = 0; i < N; i++) {
    path += `M${at(0)},${at(i)}H${at(N - 1)}M${at(i)},${at(0)}V${at(N - 1)}`;
    svg("text", {class: "coord", x: at(i), y: MARGIN / 2 - 2}, board).textContent = i;
    svg("text", {class: "coord", x: MARGIN / 2 - 2, y: at(i)}, board).textContent = i;
  }
  svg("path", {class: "grid", d: path}, board);
  svg("g", {id: "stones"}, board);
  const cells = svg("g", {id: "cells"}, board);
  for (let x = 0; x < N; x++) {
    for (let y = 0; y < N; y++) {
      const cell = svg("rect", {class: "cell", x: at(x) - CELL / 2, y: at(y) - CELL / 2,
                                width: CELL, height: CELL, "data-x": x, "data-y": y}, cells);
      cell.addEventListener("click", () => play(x, y));
    }
  }
}

async function api(path, body) {
  const options = body === undefined ? {} : {
    method: "POST", headers: {"Content-Type": "application/json"}, body: JSON.stringify(body)};
  const response = await fetch(path, options);
  const data = await response.json();
  if (!response.ok) throw new Error(data.error || response.statusText);
  return data;
}

async function act(work) {
  try {
    await work();
    $("error").textContent = "";
  } catch (error) {
    $("error").textContent = error.message;
  }
}

function accept(data) {
  if (state && data.version < state.version) return;
  const first = !state;
  state = data;
  receivedAt = performance.now();
  if (first) fillChoices();
  render();
}

async function poll() {
  for (;;) {
    try {
      accept(await api(`/api/state?since=${state ? state.version : -1}&wait=15`));
    } catch (error) {
      $("status").textContent = "The server does not answer (" + error.message + ").";
      await new Promise((resolve) => setTimeout(resolve, 1000));
    }
  }
}

function fillChoices() {
  for (const id of ["play-brain", "watch-black", "watch-white"]) {
    state.brains.forEach((name, i) => $(id).add(new Option(name, i)));
  }
  $("watch-white").selectedIndex = Math.min(1, state.brains.length - 1);
  $("play-time").value = $("watch-time").value = state.turn_ms;
}

const COLOURS = ["black", "white"];
const colourOf = (i) => COLOURS[i % 2];
const capital = (text) => text[0].toUpperCase() + text.slice(1);
const seconds = (ms) => (ms / 1000).toFixed(1) + " s";

function clockText(ms) {
  const tenths = Math.floor(ms / 100);
  const s = Math.floor(tenths / 10);
  return `${Math.floor(s / 60)}:${String(s % 60).padStart(2, "0")}.${tenths % 10}`;
}

// What the board shows now: the live game, or the record at its current step.
function view() {
  if (replay) {
    const moves = replay.moves.slice(0, replay.pos);
    const done = replay.pos === replay.moves.length;
    const win = done ? replay.win_line : [];
    let status = `Record: move ${replay.pos} of ${replay.moves.length}`;
    if (done && win.length) {
      const winner = colourOf(replay.moves.length - 1);
      status += ` - ${capital(winner)} (${replay.names[winner]}) wins: five in a row`;
    }
    return {moves, names: replay.names, win, status, messages: [], game: null};
  }
  const game = state && state.game;
  if (!game) {
    return {moves: [], names: {black: "", white: ""}, win: [], messages: [], game: null,
            status: "Choose a brain and press New game, watch two brains, or open a record."};
  }
  let status;
  if (game.status === "over") status = game.result.text;
  else if (game.status === "starting") status = "Starting the brains...";
  else if (game.waiting) status = `Your move (${game.to_move}): click a cell.`;
  else if (game.to_move) status = `${capital(game.to_move)} (${game.names[game.to_move]}) is thinking...`;
  else status = "...";
  return {moves: game.moves, names: game.names, win: game.result ? game.result.win_line : [],
          status, messages: game.messages, game};
}

function render() {
  const v = view();
  const stones = $("stones");
  stones.replaceChildren();
  const winning = new Set(v.win.map(([x, y]) => x + "," + y));
  v.moves.forEach(([x, y], i) => {
    const classes = ["stone", colourOf(i)];
    if (winning.has(x + "," + y)) classes.push("win");
    svg("circle", {class: classes.join(" "), cx: at(x), cy: at(y), r: CELL * 0.44,
                   "data-x": x, "data-y": y}, stones);
  });
  if (v.win.length) {
    const ends = [v.win[0], v.win[v.win.length - 1]];
    svg("line", {class: "five", x1: at(ends[0][0]), y1: at(ends[0][1]), x2: at(ends[1][0]),
                 y2: at(ends[1][1])}, stones);
  }
  if (v.moves.length) {
    const [x, y] = v.moves[v.moves.length - 1];
    svg("circle", {class: "last", cx: at(x), cy: at(y), r: 4.5, "data-x": x, "data-y": y}, stones);
  }
  $("board").classList.toggle("my-turn", Boolean(v.game && v.game.waiting));
  $("status").textContent = v.status;

  const list = $("moves");
  list.replaceChildren();
  v.moves.forEach(([x, y, ms], i) => {
    const item = document.createElement("li");
    item.textContent = `${colourOf(i) === "black" ? "B" : "W"} ${x},${y}  ${seconds(ms)}`;
    if (i === v.moves.length - 1) item.className = "current";
    if (replay) item.addEventListener("click", () => step(i + 1));
    list.appendChild(item);
  });
  list.scrollTop = list.scrollHeight;

  const messages = $("messages");
  messages.textContent = v.messages.map((m) => `${m.colour}: ${m.text}`).join("\n");
  messages.scrollTop = messages.scrollHeight;
  $("replay-pos").textContent = replay ? `${replay.pos} / ${replay.moves.length}` : "";
  $("undo").disabled = !(v.game && v.game.mode === "play");
  for (const colour of COLOURS) $(`clock-${colour}`).querySelector(".name").textContent = v.names[colour];
  tick();
}

// Both clocks: the time each side has used, counting the move being thought about.
function tick() {
  const v = view();
  const used = {black: 0, white: 0};
  v.moves.forEach((move, i) => { used[colourOf(i)] += move[2]; });
  const game = v.game;
  if (game && game.to_move && game.status === "playing") {
    used[game.to_move] += game.thinking_ms + (performance.now() - receivedAt);
  }
  for (const colour of COLOURS) {
    const clock = $(`clock-${colour}`);
    clock.querySelector(".time").textContent = clockText(used[colour]);
    clock.classList.toggle("to-move", Boolean(game && game.to_move === colour));
  }
}

function play(x, y) {
  if (replay) return;
  act(async () => {
    const game = state && state.game;
    if (!game) throw new Error("Start a game first.");
    accept(await api("/api/move", {game: game.id, x, y}));
  });
}

function step(pos) {
  if (!replay) return;
  replay.pos = Math.max(0, Math.min(replay.moves.length, pos));
  render();
}

function wire() {
  const number = (id) => Number($(id).value);
  $("new-game").onclick = () => act(async () => {
    replay = null;
    accept(await api("/api/new", {mode: "play", brain: number("play-brain"),
                                  colour: $("play-colour").value, turn_ms: number("play-time")}));
  });
  $("watch").onclick = () => act(async () => {
    replay = null;
    accept(await api("/api/new", {mode: "watch", black: number("watch-black"),
                                  white: number("watch-white"), turn_ms: number("watch-time")}));
  });
  $("undo").onclick = () => act(async () => {
    accept(await api("/api/undo", {game: state.game.id}));
  });
  $("psq-file").onchange = () => act(async () => {
    const file = $("psq-file").files[0];
    if (!file) return;
    const record = await api("/api/psq", {text: await file.text()});
    replay = {...record, pos: record.moves.length};
    render();
  });
  $("first").onclick = () => step(0);
  $("back").onclick = () => replay && step(replay.pos - 1);
  $("forward").onclick = () => replay && step(replay.pos + 1);
  $("last").onclick = () => replay && step(replay.moves.length);
  $("close-record").onclick = () => { replay = null; $("psq-file").value = ""; render(); };
  document.addEventListener("keydown", (event) => {
    if (!replay) return;
    const moves = {ArrowLeft: -1, ArrowRight: 1, Home: -N * N, End: N * N}[event.key];
    if (moves) step(replay.pos + moves);
  });
}

drawBoard();
wire();
setInterval(tick, 100);
poll();
