
// The stages of the scene pass, in the order main runs them.

// Ticks of the music, and the time that surges 0.237 s ahead four times per
// bar, ending at ticks 0, 4, 72 and 56 of every 128-tick bar.
void sceneTime() {
  tickIndex = floor(musicTime / .029296875);
  warpedTime = musicTime + .237 * barStep(musicTime) + .237 * barStep(musicTime - 4. * .029296875) +
               .237 * barStep(musicTime + 56. * .029296875) + .237 * barStep(musicTime + 72. * .029296875);
}

vec3 skyLight(vec3 rayDir) {
  return skyColor - .5 * rayDir.y * rayDir.y;
}

// Product of three mask samples along the normal: 1/2 for each sample whose
// mask is 0, 1 where the mask reaches the sample's distance.
float groundOcclusion(vec3 hitPoint, vec3 surfNormal) {
  float occlusion = 1.;
  for (int i = 0; i < 3; i++) {
    float d = fa(.01, .07, .15)[i];
    occlusion *= exp2(min(0., surfaceMaterial(hitPoint + surfNormal * d).a / d - 1.));
  }
  return occlusion;
}

float fogAmount(float hitDist) {
  return 1. - exp(-1e-7 * hitDist * hitDist);
}

// The ground where the ray meets it, lit, shaded, fogged and hazed; the sky
// where it does not. A ray parallel to the ground shows sky.
vec3 groundOrSky(vec3 rayDir) {
  float hitDist = rayDir.y < 0. ? -(dot(camPos, vec3(0, 1, 0)) + 0.) / dot(rayDir, vec3(0, 1, 0)) : -1.;
  if (hitDist < 0.) return skyLight(rayDir);

  vec3 firstHit = camPos + hitDist * rayDir;
  float cloudDensity = .1 + 2. * smoothstep(0., 1., noiseFbm(.01 * firstHit.xz + vec2(.05, 1) * warpedTime) / .4) *
                                (.5 + .5 * noiseFbm(.1 * firstHit.xz + vec2(.05, .1) * warpedTime)) *
                                smoothstep(0., 1., (noiseFbm(.005 * firstHit.xz - vec2(.01, .1) * warpedTime) - .3) / .3);

  // The height only slides the shading point further along the ray.
  float groundHeight = terrainHeight(firstHit);
  hitDist += groundHeight;
  vec3 hitPoint = camPos + hitDist * rayDir;
  vec3 heightNormal = N(vec3(groundHeight - terrainHeight(hitPoint + .5 * diffBasis.xyy), 50,
                             groundHeight - terrainHeight(hitPoint + .5 * diffBasis.yyx)));
  vec4 material = surfaceMaterial(hitPoint);
  vec3 maskNormal = N(vec3(material.a - surfaceMaterial(hitPoint + .04 * diffBasis.xyy).a, .1,
                           material.a - surfaceMaterial(hitPoint + .04 * diffBasis.yyx).a));
  vec3 surfNormal = mix(heightNormal, maskNormal, .5);
  vec3 reflDir = reflect(rayDir, surfNormal);
  float occlusion = groundOcclusion(hitPoint, surfNormal);

  // Sun diffuse and gloss.
  vec3 halfDir = N(sunDir - rayDir);
  float diffuse = C(dot(surfNormal, sunDir));
  vec3 litColor = material.rgb * 2.2 * diffuse * vec3(1.3, 1, .7) +
                  5. * pow(C(dot(surfNormal, halfDir)), 16.) * diffuse *
                      (.4 + .96 * pow(C(1. - dot(halfDir, sunDir)), 2.)) * vec3(1.3, 1, .7) * material.a;
  // Sky fill and sky reflection.
  float skyVis = occlusion * sqrt(C(.5 + .5 * surfNormal.y));
  litColor += material.rgb * .6 * skyVis * vec3(1.15, .6, .4) +
              2. * smoothstep(0., 1., (reflDir.y + .2) / .4) * skyVis *
                  (.04 + .96 * pow(C(1. + dot(surfNormal, rayDir)), 5.)) * vec3(.4, .6, 1.1) * material.a;

  float cloudShade = C(1. - .8 * C(screenPos.y + .5) *
                                smoothstep(0., 1., (noiseFbm(.005 * hitPoint.xz + vec2(.5) - vec2(.01, .1) * warpedTime) - .1) / .3));
  vec3 fogged = mix(litColor * cloudShade, skyColor, fogAmount(hitDist));
  return mix(fogged, mix(1.8 * vec3(2, .3, .5), vec3(.9, 1, .8), C(cloudDensity * cloudDensity)),
             C(smoothstep(0., 1., (.5 * screenPos.y + .2) / 1.7) * cloudDensity));
}

// Lens-flare ghosts (camera 7 only) and the two glow lobes around the sun.
vec3 lensLight(mat3 camBasis, vec3 rayDir) {
  float flicker = pow(noiseFbm(vec2(10. * warpedTime)), 4.);
  float sunAlign = .5 * (dot(rayDir, sunDir) + 1.);
  vec3 light = (1. + flicker) * vec3(1, .9, .2) * pow(sunAlign, 164.) + (.5 + flicker) * vec3(1, 1, .9) * pow(sunAlign, 34.);
  // Outside camera 7 the flares add exactly nothing; leaving the sum out
  // there also keeps a ghost's infinite centre value from turning into NaN.
  if (sceneCamera != 7) return light;

  vec2 flareCentre = N(transpose(inverse(camBasis)) * -sunDir).xy;
  vec3 flareSum = vec3(0);
  for (float j = 0.; j < 10.; j++) {
    float g = H(200. * j) * 2. - .5;
    flareSum += (40. * max(.01 - pow(length(screenPos + flareCentre * g), 5. * H(j) + .1), 0.) +
                 .5 * max(.01 / length(screenPos - flareCentre * g * .6), 0.)) *
                (cos(vec3(3.25, 1.92, 1.6) + 4. * g) * .5 + .5);
    flareSum += .01 * (2. * max(.1 / pow(length(screenPos - flareCentre), .2), 0.)) - .01;
  }
  float flareGain = .5 + 4. * flicker;
  return light + vec3(.4, .02, 0) * 2. * flareGain * C(flareSum * exp(1. - length(screenUV - flareCentre)));
}

// Tone map, fade in between 1 and 2 s, fade out between 160 and 165 s.
vec3 toneMap(vec3 sceneColor) {
  return sceneColor / (1. + sceneColor) * smoothstep(0., 1., musicTime - 1.) * smoothstep(0., 1., (musicTime - 165.) / -5.);
}

// 0 on the logo panel off the mark's strokes and on the title glyphs of the
// line the music time selects, 1 elsewhere.
float sceneAlpha() {
  vec4 title = musicTime <= 20.  ? textMask(screenUV - vec2(.001, -.25), 1.7, vec2(0), vec4(.5, .6, .3, .05))
             : musicTime <= 155. ? textMask(screenUV - vec2(-.004, -.172), 2.2, vec2(0), vec4(.5, .45, .3, .03))
                                 : textMask(screenUV - vec2(.015, -.09), 1.9, vec2(0), vec4(.5, .3, .3, .04));
  vec2 logo = logoDistance(4. * screenPos);
  return (1. - smoothstep(0., 1., logo.x / .01) * smoothstep(0., 1., (logo.y - .01) / -.01)) * (1. - title.g);
}
