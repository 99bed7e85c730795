// The scene pass's functions, each run by a test program that appends its
// own main to the shader's sections and writes one float per pixel.
#include <cmath>

#include "gl_harness.h"

namespace {

// Writes v exactly into the four 8-bit channels of the pixel.
const char out[] = "#define OUT(v) fragColor = unpackUnorm4x8(floatBitsToUint(float(v)))\n";

class Scene : public GlHarness {
 protected:
  // Builds a program from `body` (the inside of main) and runs it on row 0.
  // Returns the floats of the first `count` pixels.
  std::vector<float> run(const std::string &body, float x, float y, int count = 8, int rows = 1) {
    GLuint program = build_with_main(std::string(out) + "void main() {\n" + body + "\n}\n");
    use(program);
    draw(x, y, 0, rows - 1);
    Pixels p = read();
    std::vector<float> values;
    for (int i = 0; i < count * rows; i++) values.push_back(p.number(i % 800, i / 800));
    return values;
  }
};

TEST_F(Scene, WarpedTimeSurgesFourTimesABarAndNeverFallsBack) {
  auto landmarks = run(
      "musicTime = float[](1, 20, 30, 45, 140, 155)[int(F.x)];\n"
      "sceneTime(); OUT(warpedTime);",
      0, 0, 6);
  const double expected[] = {1, 24.74, 37.35, 56.14, 175.08, 193.87};
  for (int i = 0; i < 6; i++) EXPECT_NEAR(landmarks[i], expected[i], 0.006) << i;
  EXPECT_EQ(landmarks[0], 1.f);

  // Each surge takes the 0.05 s before ticks 56, 72, 128 and 132 of the
  // first bar: warpedTime's lead over music time just before and at each end.
  const float ends[] = {1.640625f, 2.109375f, 3.75f, 3.8671875f};
  for (int k = 0; k < 4; k++) {
    SCOPED_TRACE(ends[k]);
    auto lead = run("musicTime = uU.x - float[](.0501, 0.)[int(F.x)]; sceneTime(); OUT(warpedTime - musicTime);",
                    ends[k], 0, 2);
    EXPECT_NEAR(lead[0], 0.237 * k, 1e-5);
    EXPECT_NEAR(lead[1], 0.237 * (k + 1), 1e-5);
  }

  // 480,000 music times 0.4 ms apart cover 0 to 192 s.
  auto sweep = run("musicTime = (floor(F.y) * 800. + floor(F.x)) * .0004; sceneTime(); OUT(warpedTime);", 0, 0,
                   800, 600);
  int decreases = 0;
  for (size_t i = 1; i < sweep.size(); i++) decreases += sweep[i] < sweep[i - 1];
  EXPECT_EQ(decreases, 0);
  // Over a whole bar the warped time gains four surges.
  EXPECT_NEAR(sweep[static_cast<size_t>(3.75 / 0.0004 * 10)] - sweep[0], 37.5 + 40 * 0.237, 0.01);
}

TEST_F(Scene, RowFourCyclesCamerasFourFiveSixFromWarpedTime70) {
  auto cameras = run(
      "warpedTime = float[](70, 70.01, 71.9, 72.01, 80.5, 88.5, 100)[int(F.x)];\n"
      "sceneCamera = int(F.x) == 6 ? 7 : 4; float roll, zoom; cameraPath(roll, zoom); OUT(sceneCamera);",
      0, 0, 7);
  const float expected[] = {4, 6, 6, 4, 5, 6, 7};
  for (int i = 0; i < 7; i++) EXPECT_EQ(cameras[i], expected[i]) << i;
}

TEST_F(Scene, CameraSixZoomAndCameraSevenHeightStayInTheirRanges) {
  // Row 0: camera 6's zoom for 800 blocks; row 1: its roll; rows 2 and 3:
  // camera 7's height and zoom over 800 steps of 7 ticks.
  auto values = run(
      "float roll, zoom; int row = int(F.y);\n"
      "sceneCamera = row < 2 ? 6 : 7;\n"
      "warpedTime = row < 2 ? 8. * floor(F.x) + 4. : .25 * floor(F.x);\n"
      "tickIndex = 7. * floor(F.x);\n"
      "cameraPath(roll, zoom);\n"
      "OUT(row == 0 ? zoom : row == 1 ? roll : row == 2 ? camPos.y : zoom);",
      0, 0, 800, 4);
  bool seen[9] = {};
  for (int i = 0; i < 800; i++) {
    float zoom = values[i], roll = values[800 + i], height = values[1600 + i], zoom7 = values[2400 + i];
    ASSERT_EQ(zoom, std::floor(zoom));
    ASSERT_GE(zoom, 3);
    ASSERT_LE(zoom, 8);
    seen[static_cast<int>(zoom)] = true;
    ASSERT_GE(roll, -0.3f - 1e-6f);
    ASSERT_LT(roll, 0.1f);
    ASSERT_GE(height, 20);
    ASSERT_LT(height, 30);
    ASSERT_GE(zoom7, 2);
    ASSERT_LT(zoom7, 3.5f);
  }
  for (int z = 3; z <= 8; z++) EXPECT_TRUE(seen[z]) << z;
}

TEST_F(Scene, AlphaIsZeroOnThePanelOffTheStrokes) {
  fill_constant(0, 0, 0, 0);
  // x, y in screenPos units; alpha expected.
  auto alpha = run(
      "vec2 p = vec2[](vec2(0), vec2(.3, .1), vec2(-.25, .05), vec2(-.3, .05), vec2(.2, 0), vec2(.6, .1),\n"
      "                vec2(0, .3), vec2(.44, -.25))[int(F.x)];\n"
      "screenPos = p; screenUV = (p * resolution.y + resolution) / (2. * resolution); musicTime = 30.;\n"
      "OUT(sceneAlpha());",
      0, 0, 8);
  const float expected[] = {1, 0, 0, 1, 1, 1, 1, 0};
  for (int i = 0; i < 8; i++) EXPECT_NEAR(alpha[i], expected[i], 1e-6) << i;
}

TEST_F(Scene, TitleLineIsChosenByMusicTime) {
  // G holds 1 on the title-2 rows, 0.5 on the title-3 rows, 0 on title 1's.
  std::vector<uint8_t> rgba(800 * 600 * 4);
  for (int y = 0; y < 600; y++) {
    double v = (y + 0.5) / 600;
    uint8_t g = v >= 0.53 && v <= 0.685 ? 255 : v >= 0.224 && v <= 0.376 ? 128 : 0;
    for (int x = 0; x < 800; x++) rgba[(y * 800 + x) * 4 + 1] = g;
  }
  fill(rgba);
  auto alpha = run(
      "musicTime = float[](19, 20, 20.001, 155, 155.01)[int(F.x)];\n"
      "screenUV = vec2(.5, .3); screenPos = (2. * screenUV * resolution - resolution) / resolution.y;\n"
      "OUT(sceneAlpha());",
      0, 0, 5);
  EXPECT_NEAR(alpha[0], 0, 1e-6);
  EXPECT_NEAR(alpha[1], 0, 1e-6);
  EXPECT_NEAR(alpha[2], 1, 1e-6);
  EXPECT_NEAR(alpha[3], 1, 1e-6);
  EXPECT_NEAR(alpha[4], 1 - 128 / 255.0, 1e-3);
}

TEST_F(Scene, SkyToneMapFadesAndFog) {
  // Pixels 0-2: the horizon sky tone-mapped; 3: a colour of 1 tone-mapped;
  // 4-6: the fog at 1000, 3162 and 5000 units.
  const std::string body =
      "musicTime = uU.x; int i = int(F.x);\n"
      "vec3 sky = toneMap(skyLight(vec3(1, 0, 0)));\n"
      "OUT(i < 3 ? sky[i] : i == 3 ? toneMap(vec3(1)).r : fogAmount(float[](1000, 3162, 5000)[i - 4]));";
  auto settled = run(body, 10, 0, 7);
  EXPECT_NEAR(settled[0], 0.375, 1e-6);
  EXPECT_NEAR(settled[1], 0.5, 1e-6);
  EXPECT_NEAR(settled[2], 2 / 3.0, 1e-6);
  EXPECT_NEAR(settled[3], 0.5, 1e-6);
  EXPECT_NEAR(settled[4], 0.0952, 1e-4);
  EXPECT_NEAR(settled[5], 0.6321, 1e-4);
  EXPECT_NEAR(settled[6], 0.9179, 1e-4);
  struct Fade {
    float time, factor;
  } fades[] = {{0.5f, 0}, {1, 0}, {1.5f, 0.5f}, {2, 1}, {160, 1}, {162.5f, 0.5f}, {165, 0}, {170, 0}};
  for (const Fade &f : fades) EXPECT_NEAR(run(body, f.time, 0, 4)[3], 0.5 * f.factor, 1e-6) << f.time;
}

TEST_F(Scene, ARayParallelToTheGroundShowsSky) {
  auto sky = run("camPos = vec3(0, 200, 0); OUT(groundOrSky(vec3(1, float[](0., -0.)[int(F.x) / 3], 0))[int(F.x) % 3]);",
                 0, 0, 6);
  const float horizon[3] = {0.6f, 1, 2};
  for (int i = 0; i < 6; i++) EXPECT_FLOAT_EQ(sky[i], horizon[i % 3]) << i;
}

TEST_F(Scene, OcclusionIsAnEighthOnBareGroundAndOneOnFullStripes) {
  // With zero noise the point (2.5, 0, 0) lies midway between two stripes:
  // its mask is 0 near the camera, and 0.6 beyond the stripes' fade distance.
  fill_constant(0, 0, 0, 0);
  auto occlusion = run(
      "camPos = vec3(float[](2.5, 3000.)[int(F.x)], 200, 0); warpedTime = 30.; tickIndex = 0.;\n"
      "sceneStyle = 4; sceneCamera = 8; OUT(groundOcclusion(vec3(2.5, 0, 0), vec3(0, 1, 0)));",
      0, 0, 2);
  EXPECT_FLOAT_EQ(occlusion[0], 0.125f);
  EXPECT_FLOAT_EQ(occlusion[1], 1);
}

TEST_F(Scene, GreetingLineIsChosenPerBlock) {
  // B codes greeting line j as (j + 1) / 8 around its row 0.88 - 0.125 j; the
  // ground point (0, 0, 0) samples the texture at (0.5, greetingRow).
  std::vector<uint8_t> rgba(800 * 600 * 4);
  for (int y = 0; y < 600; y++) {
    double v = (y + 0.5) / 600;
    for (int j = 0; j < 7; j++)
      if (std::fabs(v - (0.88 - 0.125 * j)) < 0.02)
        for (int x = 0; x < 800; x++) rgba[(y * 800 + x) * 4 + 2] = static_cast<uint8_t>(32 * (j + 1));
  }
  fill(rgba);
  struct Case {
    float warpedTime;
    int camera;
    int line;  // -1: no band
  } cases[] = {{72, 4, -1},    {72.5f, 4, 0},  {80.5f, 4, -1},  {88.5f, 4, 1},  {104.5f, 4, 2},
               {120.5f, 5, 3}, {136.5f, 6, 4}, {152.5f, 7, 5},  {168.5f, 7, 6}, {184.5f, 7, 0},
               {88.5f, 8, -1}, {96.5f, 4, -1}};
  for (const Case &c : cases) {
    SCOPED_TRACE(c.warpedTime);
    // Far from the camera the stripes are full, and zero noise leaves the
    // colour at 0.2 of the palette plus 1.5 times the band.
    float b = run(
        "warpedTime = uU.x; sceneCamera = int(uU.y); tickIndex = 100.; sceneStyle = 4;\n"
        "camPos = vec3(5000, 200, 0); OUT(surfaceMaterial(vec3(0)).b);",
        c.warpedTime, static_cast<float>(c.camera), 1)[0];
    double band = (b - 0.1) / 0.3;
    EXPECT_NEAR(band, c.line < 0 ? 0 : 32 * (c.line + 1) / 255.0, 2e-3);
  }
}

}  // namespace
