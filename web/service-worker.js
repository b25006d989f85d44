// Keeps the site for offline use: every file of this version in one cache, named for the
// worker's scope (two copies of the site on one origin keep their own) and the version (a
// digest of the site's files, written in when the site is built, with each file's own digest).
// A version is kept only if every file that came matches its digest: a deploy caught half-way,
// or a stale copy from a cache between, fails the install and the version before stays. A new
// version fills its own cache, then takes over and deletes its scope's older ones; a file it
// doesn't keep (or any request elsewhere) goes to the network as usual.
'use strict';
const version = '@QUENTHOR_SITE_VERSION@';
const files = [@QUENTHOR_SITE_FILES@];  // [name, SHA-256 in hex]
const scopeCaches = 'quenthor ' + self.registration.scope + ' ';
const cacheName = scopeCaches + version;

const hex = (bytes) => Array.from(new Uint8Array(bytes), (b) => b.toString(16).padStart(2, '0')).join('');

async function fetchChecked([name, digest]) {
  const response = await fetch(new Request(name, { cache: 'reload' }));
  if (!response.ok) throw new Error(name + ': HTTP ' + response.status);
  const bytes = await response.arrayBuffer();
  if (hex(await crypto.subtle.digest('SHA-256', bytes)) !== digest)
    throw new Error(name + ' is not the file of version ' + version);
  return [name, new Response(bytes, { headers: response.headers })];
}

self.addEventListener('install', (event) => {
  event.waitUntil((async () => {
    const checked = await Promise.all(files.map(fetchChecked));
    const cache = await caches.open(cacheName);
    await Promise.all(checked.map(([name, response]) => cache.put(name, response)));
    await self.skipWaiting();
  })());
});

// Caches of versions before scopes were named ('quenthor-' and the version) can't say whose
// they were; those versions kept one such cache an origin, and it is no longer read.
const unscopedCache = /^quenthor-[0-9a-f]+$/;

self.addEventListener('activate', (event) => {
  event.waitUntil(caches.keys().then((names) => Promise.all(names
    .filter((name) => (name.startsWith(scopeCaches) && name !== cacheName) || unscopedCache.test(name))
    .map((name) => caches.delete(name)))));
});

self.addEventListener('fetch', (event) => {
  const request = event.request;
  if (request.method !== 'GET' || new URL(request.url).origin !== self.location.origin) return;
  event.respondWith(caches.open(cacheName)
    .then((cache) => cache.match(request, { ignoreSearch: true }))
    .then((kept) => kept || fetch(request)));
});
