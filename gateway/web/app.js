// The gateway's live page: readers and tags from the API each second (and after each event),
// the event feed from the live stream. Text from the gateway goes into the page as text only.
"use strict";

const maxEvents = 200;
let lastSeq = 0;
let refreshTimer = null;

function cell(row, text, className) {
  const td = document.createElement("td");
  td.textContent = text;
  if (className) td.className = className;
  row.appendChild(td);
  return td;
}

function renderReaders(data) {
  document.getElementById("gateway-id").textContent = data.gateway;
  const body = document.querySelector("#readers tbody");
  body.replaceChildren();
  for (const r of data.readers) {
    const row = document.createElement("tr");
    row.dataset.reader = r.id;
    row.dataset.status = r.status;
    cell(row, r.id);
    cell(row, r.location);
    const status = document.createElement("span");
    status.className = "status " + r.status;
    status.textContent = r.status;
    cell(row, "").appendChild(status);
    for (const key of ["cycles", "reads", "errors", "reconnects", "tags_present"]) cell(row, String(r[key]), "number");
    cell(row, r.last_error);
    body.appendChild(row);
  }
}

// The broker connection of an MQTT publisher, when the gateway has one: its state and backlog.
function renderBroker(data) {
  const badge = document.getElementById("broker");
  const mqtt = data.publishers && data.publishers.mqtt;
  badge.hidden = !mqtt;
  if (!mqtt) return;
  badge.className = "feed" + (mqtt.state === "connected" ? " live" : "");
  badge.dataset.state = mqtt.state;
  badge.textContent = "MQTT " + mqtt.broker + ": " + mqtt.state + ", backlog " + mqtt.backlog +
    (mqtt.dropped ? ", dropped " + mqtt.dropped : "");
  badge.title = mqtt.last_error || "";
}

function renderTags(data) {
  document.getElementById("tag-count").textContent = "(" + data.count + ")";
  const root = document.getElementById("tags");
  root.replaceChildren();
  for (const place of data.locations) {
    const box = document.createElement("div");
    box.className = "location";
    box.dataset.location = place.location;
    const title = document.createElement("h3");
    title.textContent = place.location + " (" + place.tags.length + ")";
    box.appendChild(title);
    const list = document.createElement("ul");
    if (place.tags.length === 0) {
      const none = document.createElement("li");
      none.className = "empty";
      none.textContent = "no tags";
      list.appendChild(none);
    }
    for (const t of place.tags) {
      const item = document.createElement("li");
      item.className = "tag";
      item.dataset.tag = t.tag;
      item.dataset.standard = t.standard;
      item.textContent = t.standard + " " + t.tag + "  via " + t.reader;
      list.appendChild(item);
    }
    box.appendChild(list);
    root.appendChild(box);
  }
}

async function refresh() {
  refreshTimer = null;
  try {
    const [readers, tags] = await Promise.all([fetch("/api/readers"), fetch("/api/tags")]);
    if (readers.ok) {
      const data = await readers.json();
      renderReaders(data);
      renderBroker(data);
    }
    if (tags.ok) renderTags(await tags.json());
  } catch (e) {
    // The next refresh tries again.
  }
}

function refreshSoon() {
  if (refreshTimer === null) refreshTimer = setTimeout(refresh, 100);
}

function describe(e) {
  let text = e.time.substring(11, 23) + "  #" + e.seq + " " + e.type + " " + e.reader + "@" + e.location;
  if (e.tag) text += " " + e.standard + " " + e.tag;
  if (e.type === "moved") text += " from " + e.from_location;
  if (e.error) text += " (" + e.error + ")";
  return text;
}

function addEvent(e) {
  if (e.seq <= lastSeq) return;
  lastSeq = e.seq;
  const list = document.getElementById("events");
  const item = document.createElement("li");
  item.className = "event " + e.type;
  item.dataset.seq = e.seq;
  item.dataset.type = e.type;
  if (e.tag) item.dataset.tag = e.tag;
  item.textContent = describe(e);
  list.insertBefore(item, list.firstChild);
  while (list.children.length > maxEvents) list.removeChild(list.lastChild);
}

function setFeed(state) {
  const badge = document.getElementById("feed-state");
  badge.textContent = state;
  badge.className = "feed " + state;
}

async function start() {
  try {
    const reply = await fetch("/api/events?limit=50");
    const data = await reply.json();
    for (const e of data.events) addEvent(e);
    lastSeq = Math.max(lastSeq, data.last_seq);
  } catch (e) {
    // The stream still starts.
  }
  const stream = new EventSource("/api/events/stream?since=" + lastSeq);
  stream.onopen = () => setFeed("live");
  stream.onerror = () => setFeed("reconnecting");
  stream.onmessage = (message) => {
    addEvent(JSON.parse(message.data));
    refreshSoon();
  };
  refresh();
  setInterval(refresh, 1000);
}

start();
