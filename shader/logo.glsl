
// The mark and its panel, in logo units: x = distance to the mark's strokes
// (0 or below on a stroke), y = distance to the panel (0 inside).
vec2 logoDistance(vec2 q) {
  vec2 f = vec2(q.x, abs(q.y) - .4);
  float strokes = min(min(abs(q.x) - .12, abs(q.y) - .04), BOX(f + vec2(.92, -.355), vec2(.3)));
  strokes = min(strokes, abs(q.x + 1.2) - .04);
  strokes = min(strokes, BOX(f + vec2(-.62 + .67 * sin(floor(q.y)), -.16), vec2(.7, .1)));
  return vec2(strokes, BOX(f, vec2(1.8, .65)));
}

// The texel a window k times as large as p's stretch shows at p, around the
// texture centre; zero outside the box (centre xy, half-size zw, scaled by k).
vec4 textMask(vec2 p, float k, vec2 shift, vec4 box) {
  vec2 a = C((2. * p + shift - 1.) * k * .5 + .5);
  return texture(tex, a, .33) * step(BOX(a.xyy - box.xyy, box.zww * k), 0.);
}
