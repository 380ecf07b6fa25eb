// The page's service worker, for a page served over HTTPS: it keeps the page's files, so that
// the page, installed as an app or not, opens and converts with no network after the first
// visit. Files are answered from the cache first; a new version of the page brings a cache of
// its own and clears the old one.
"use strict";

const kCache = "lipimattam-LIPIMATTAM_VERSION";
const kFiles = ["./", "./index.html", "./manifest.webmanifest", "./icon-256.png", "./icon-512.png",
                "./lipimattam.js"];

self.addEventListener("install", (event) => {
  event.waitUntil(caches.open(kCache).then((cache) => cache.addAll(kFiles))
                      .then(() => self.skipWaiting()));
});

self.addEventListener("activate", (event) => {
  event.waitUntil(caches.keys()
                      .then((names) => Promise.all(names.filter((name) => name !== kCache)
                                                       .map((name) => caches.delete(name))))
                      .then(() => self.clients.claim()));
});

self.addEventListener("fetch", (event) => {
  if (event.request.method !== "GET") return;
  event.respondWith(caches.match(event.request, {ignoreSearch: true})
                        .then((kept) => kept || fetch(event.request)));
});
