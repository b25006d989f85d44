# cmake -DSITE=DIR -DTEMPLATE=FILE -P service-worker.cmake: writes DIR/service-worker.js from
# TEMPLATE with the list of the site's files (in name order, each with its SHA-256, which the
# service worker checks) and the site's version: a digest of those names and their contents, so
# any change to the site is a new version and the same site is the same version.
file(GLOB_RECURSE names RELATIVE ${SITE} ${SITE}/*)
list(REMOVE_ITEM names service-worker.js)
list(SORT names)
set(summary "")
set(listed "")
foreach(name IN LISTS names)
  file(SHA256 ${SITE}/${name} digest)
  string(APPEND summary "${name} ${digest}\n")
  if(name STREQUAL "index.html")
    string(APPEND listed "['./', '${digest}'], ")
  endif()
  string(APPEND listed "['${name}', '${digest}'], ")
endforeach()
string(SHA256 QUENTHOR_SITE_VERSION "${summary}")
string(SUBSTRING ${QUENTHOR_SITE_VERSION} 0 16 QUENTHOR_SITE_VERSION)
string(REGEX REPLACE ", $" "" QUENTHOR_SITE_FILES "${listed}")
configure_file(${TEMPLATE} ${SITE}/service-worker.js @ONLY)
