// Keeps the site for offline use: every file of this version in one cache, named for the
// version (a digest of the site's files, written in when the site is built). A new version
// fills its own cache, then takes over and deletes the older ones; a file it doesn't keep (or
// any request elsewhere) goes to the network as usual.
'use strict';
const version = '@QUENTHOR_SITE_VERSION@';
const files = [@QUENTHOR_SITE_FILES@];
const cacheName = 'quenthor-' + version;

self.addEventListener('install', (event) => {
  event.waitUntil(caches.open(cacheName)
    .then((cache) => cache.addAll(files.map((name) => new Request(name, { cache: 'reload' }))))
    .then(() => self.skipWaiting()));
});

self.addEventListener('activate', (event) => {
  event.waitUntil(caches.keys().then((names) => Promise.all(names
    .filter((name) => name.startsWith('quenthor-') && name !== cacheName)
    .map((name) => caches.delete(name)))));
});

self.addEventListener('fetch', (event) => {
  const request = event.request;
  if (request.method !== 'GET' || new URL(request.url).origin !== self.location.origin) return;
  event.respondWith(caches.open(cacheName)
    .then((cache) => cache.match(request, { ignoreSearch: true }))
    .then((kept) => kept || fetch(request)));
});
