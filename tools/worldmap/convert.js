// Converts Natural Earth country shapes (TopoJSON of the npm package "world-atlas") into
// the program's compact world map file (format in ui/WorldMap.h):
//   node convert.js COUNTRIES-110M.JSON ISO-CODES.JSON OUT.MAP
// ISO-CODES.JSON is "codes.json" of the npm package "i18n-iso-countries": rows of
// [alpha-2, alpha-3, numeric, ...], used to name each shape by its two-letter code.
"use strict";
const fs = require("fs");

const [topoPath, codesPath, outPath] = process.argv.slice(2);
if (!outPath) {
  console.error("usage: node convert.js COUNTRIES-110M.JSON ISO-CODES.JSON OUT.MAP");
  process.exit(2);
}
const topo = JSON.parse(fs.readFileSync(topoPath, "utf8"));
const byNumber = {};
for (const row of JSON.parse(fs.readFileSync(codesPath, "utf8"))) byNumber[row[2]] = row[0];
// Shapes that Natural Earth draws without an ISO number.
const byName = { "N. Cyprus": "CY", Somaliland: "SO", Kosovo: "XK" };

// TopoJSON arcs: quantized, delta-encoded positions; a negative index is arc ~i reversed.
const [sx, sy] = topo.transform.scale, [tx, ty] = topo.transform.translate;
const arcs = topo.arcs.map((arc) => {
  let x = 0, y = 0;
  return arc.map(([dx, dy]) => {
    x += dx;
    y += dy;
    return [x * sx + tx, y * sy + ty];
  });
});
function ring(indices) {
  const points = [];
  for (const i of indices) {
    const arc = i >= 0 ? arcs[i] : arcs[~i].slice().reverse();
    // Consecutive arcs share their joining point.
    points.push(...(points.length ? arc.slice(1) : arc));
  }
  if (points.length > 1) {
    const [a, b] = [points[0], points[points.length - 1]];
    if (a[0] === b[0] && a[1] === b[1]) points.pop(); // rings are closed implicitly
  }
  return points;
}

// Hundredths of a degree, as signed 16-bit numbers.
const unit = 100;
const q = (v) => Math.round(v * unit);

// A ring that crosses the antimeridian (Fiji, Russia's east) jumps by almost 360 degrees
// between two points: its longitudes are made continuous instead, so it runs past 180 and
// the map draws it whole. A ring that then does not close (Antarctica's rim) goes round a
// pole: it is closed along the map's edge at that pole.
function unwrap(pts) {
  const out = [pts[0].slice()];
  for (let i = 1; i < pts.length; ++i) {
    const prev = out[i - 1][0];
    let lon = pts[i][0];
    while (lon - prev > 180 * unit) lon -= 360 * unit;
    while (prev - lon > 180 * unit) lon += 360 * unit;
    out.push([lon, pts[i][1]]);
  }
  const first = out[0], last = out[out.length - 1];
  if (Math.abs(last[0] - first[0]) > 180 * unit) {
    const pole = out.reduce((s, p) => s + p[1], 0) < 0 ? -90 * unit : 90 * unit;
    out.push([last[0], pole], [first[0], pole]);
  }
  return out;
}

const countries = [];
for (const g of topo.objects.countries.geometries) {
  const code = byNumber[g.id] || byName[g.properties.name];
  if (!code) throw new Error("no two-letter code for " + g.id + " " + g.properties.name);
  const polygons = g.type === "Polygon" ? [g.arcs] : g.type === "MultiPolygon" ? g.arcs : [];
  const rings = [];
  for (const polygon of polygons)
    for (const r of polygon) {
      const pts = [];
      for (const [lon, lat] of ring(r)) {
        const p = [q(lon), q(lat)];
        const last = pts[pts.length - 1];
        if (!last || last[0] !== p[0] || last[1] !== p[1]) pts.push(p); // drop repeats after rounding
      }
      if (pts.length >= 3) rings.push(unwrap(pts));
    }
  countries.push({ code, name: g.properties.name, rings });
}
countries.sort((a, b) => (a.code < b.code ? -1 : a.code > b.code ? 1 : 0));

// Little-endian: "MXWM", version, unit, country count; per country its code, name and
// rings; per ring its point count and the points as longitude, latitude pairs.
const parts = [];
const u16 = (v) => { const b = Buffer.alloc(2); b.writeUInt16LE(v); parts.push(b); };
const i16 = (v) => { const b = Buffer.alloc(2); b.writeInt16LE(v); parts.push(b); };
parts.push(Buffer.from("MXWM", "ascii"));
u16(1);
u16(unit);
u16(countries.length);
let points = 0;
for (const c of countries) {
  parts.push(Buffer.from(c.code, "ascii"));
  const name = Buffer.from(c.name, "utf8");
  parts.push(Buffer.from([name.length]));
  parts.push(name);
  u16(c.rings.length);
  for (const r of c.rings) {
    u16(r.length);
    for (const [lon, lat] of r) {
      i16(lon);
      i16(lat);
    }
    points += r.length;
  }
}
const out = Buffer.concat(parts);
fs.writeFileSync(outPath, out);
console.log(`convert.js: ${countries.length} countries, ${points} points, ${out.length} bytes in ${outPath}`);
