
void main() {
  // Prologue, shared by every pass.
  fragColor = vec4(0);
  screenPos = (2. * F.xy - resolution) / resolution.y;
  screenUV = F.xy / resolution;
  musicTime = uU.x;
  for (int i = 0; i < 7; i++)
    if (musicTime >= sceneStartTimes[i]) {
      sceneStyle = styleTable[i];
      sceneCamera = cameraTable[i];
    }

  if (uU.y <= 0.) {
    // Noise pass: a fixed hash per pixel, the same every frame.
    fragColor = vec4(H(F.x + H(F.y)));
  } else if (uU.y <= 1.) {
    // White pass: glyph coverage.
    fragColor = vec4(1);
  } else if (uU.y <= 2.) {
    // Scene pass. Letterbox rows and the time before the first scene stay empty.
    if (abs(screenPos.y) > .8 || sceneStyle <= 0) return;
    sceneTime();
    float camRoll, camZoom;
    cameraPath(camRoll, camZoom);
    mat3 camBasis = cameraBasis(camPos, camTarget, camRoll);
    vec3 rayDir = camBasis * N(vec3(screenPos, camZoom));
    vec3 sceneColor = groundOrSky(rayDir) + lensLight(camBasis, rayDir);
    fragColor.rgb = toneMap(sceneColor);
    fragColor.a = sceneAlpha();
  } else {
    // Post pass: letterbox, blur, the timed logo and title cut-outs, grading,
    // vignette and display gamma.
    if (abs(screenPos.y) > .75) return;
    fragColor = texture(tex, screenUV);
    fragColor.rgb = blurSample(vec3(screenUV, screenUV.y));
    float cut = smoothstep(0., 1., (abs(musicTime - 20.) / 6. - .9) / .1) *
                smoothstep(0., 1., (abs(musicTime - 160.) / 10. - .9) / .1);
    fragColor.rgb = mix(fragColor.rgb * fragColor.a, fragColor.rgb, cut);
    fragColor.rgb = pow(fragColor.rgb, vec3(.8, .9, 1.2));
    fragColor.rgb = smoothstep(0., 1., fragColor.rgb / .8);
    fragColor.rgb *= .5 + .5 * pow(16. * screenUV.x * screenUV.y * (1. - screenUV.x) * (1. - screenUV.y), .3);
    fragColor = vec4(pow(fragColor.rgb, vec3(.4545)), 1);
  }
}
