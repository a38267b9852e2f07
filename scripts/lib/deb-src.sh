# The deb-src entries that mirror the machine's own Debian sources: the same
# URIs, suites, components and signing key, so a mirror or a proxy it uses serves
# the source too. Reads one-line .list files and deb822 .sources files.
# shellcheck shell=bash

# Prints, in deb822 form, one deb-src stanza for each enabled `deb` entry under
# $1/etc/apt (sources.list, sources.list.d/*.list, sources.list.d/*.sources) whose
# suites are the machine's release ($1/etc/os-release VERSION_CODENAME, also with
# -updates, -security and the like). Other archives on the machine (a vendor's
# repository) often have no source and are left alone; a URI and suite that
# some entry gives deb-src for already is not repeated. $1 defaults to the
# root.
deb_src_sources() {
  local root=${1:-} codename files=() f
  codename=$(sed -n 's/^VERSION_CODENAME=//p' "$root/etc/os-release" 2>/dev/null | tr -d "\"'" | head -n 1)
  if [ -z "$codename" ]; then
    echo "deb_src_sources: no VERSION_CODENAME in $root/etc/os-release" >&2
    return 1
  fi
  [ -f "$root/etc/apt/sources.list" ] && files+=("$root/etc/apt/sources.list")
  for f in "$root"/etc/apt/sources.list.d/*.list "$root"/etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] && files+=("$f")
  done
  [ ${#files[@]} -gt 0 ] || return 0
  awk -v codename="$codename" '
    function release(suite) {
      return suite == codename || index(suite, codename "-") == 1 || index(suite, codename "/") == 1
    }
    # Notes a deb entry for the end, and each URI and suite that a
    # deb-src entry gives already.
    function emit(types, uris, suites, components, signedBy,    n, i, s, u, nu, k) {
      n = split(suites, s, " ")
      nu = split(uris, u, " ")
      if (" " types " " ~ / deb-src /) {
        for (k = 1; k <= nu; k++)
          for (i = 1; i <= n; i++)
            hasSource[u[k] " " s[i]] = 1
        return
      }
      if (!(" " types " " ~ / deb /))
        return
      entries++
      entryUris[entries] = uris
      entrySuites[entries] = suites
      entryComponents[entries] = components
      entrySignedBy[entries] = signedBy
    }
    function printEntries(    e, n, i, s, kept, printed) {
      for (e = 1; e <= entries; e++) {
        n = split(entrySuites[e], s, " ")
        kept = ""
        for (i = 1; i <= n; i++)
          if (release(s[i]) && !((entryUris[e] " " s[i]) in hasSource))
            kept = kept (kept == "" ? "" : " ") s[i]
        if (kept == "")
          continue
        printf "%sTypes: deb-src\nURIs: %s\nSuites: %s\n", (printed++ ? "\n" : ""), entryUris[e], kept
        if (entryComponents[e] != "")
          printf "Components: %s\n", entryComponents[e]
        if (entrySignedBy[e] != "")
          printf "Signed-By:%s%s\n", (entrySignedBy[e] ~ /^\n/ ? "" : " "), entrySignedBy[e]
      }
    }
    function lower(s) { return tolower(s) }
    function flush() {
      if (inStanza && lower(field["enabled"]) != "no")
        emit(field["types"], field["uris"], field["suites"], field["components"], field["signed-by"])
      delete field
      inStanza = 0
      last = ""
    }
    FNR == 1 { flush(); deb822 = FILENAME ~ /\.sources$/ }
    deb822 && /^[ \t]*#/ { next }
    deb822 && /^[ \t]*$/ { flush(); next }
    deb822 && /^[ \t]/ { # a continuation line (an embedded key): kept as it stands
      if (last != "") field[last] = field[last] "\n" $0
      next
    }
    deb822 {
      i = index($0, ":")
      if (i == 0) next
      last = lower(substr($0, 1, i - 1))
      value = substr($0, i + 1)
      gsub(/^[ \t]+|[ \t]+$/, "", value)
      field[last] = value
      inStanza = 1
      next
    }
    # One-line form: type [options] uri suite [component...]
    {
      sub(/#.*/, "")
      if (NF < 3) next
      type = $1
      signedBy = ""
      i = 2
      if ($2 ~ /^\[/) {
        for (; i <= NF; i++) {
          option = $i
          gsub(/[][]/, "", option)
          if (option ~ /^signed-by=/)
            signedBy = substr(option, 11)
          if ($i ~ /\]$/) { i++; break }
        }
      }
      if (i + 1 > NF) next
      components = ""
      for (j = i + 2; j <= NF; j++)
        components = components (components == "" ? "" : " ") $j
      emit(type, $i, $(i + 1), components, signedBy)
    }
    END { flush(); printEntries() }
  ' "${files[@]}"
}
