// What each LMF container holds: one table per container, innermost first.
// Every tag's rule is here, on one screen; the kOwn readers live beside the
// Direct3D and motion code they need.
#include <cstddef>

#include "scene/lmf_tags.h"
#include "scene/lmf_walk.h"

namespace lmf {
namespace {

constexpr Body kFixed = Body::kFixed;
constexpr Body kCopied = Body::kCopied;
constexpr Body kName = Body::kName;
constexpr Body kCount = Body::kCount;
constexpr Body kItem = Body::kItem;
constexpr Body kContainer = Body::kContainer;
constexpr Body kOwn = Body::kOwn;

// BBOX fills the two corners in one 24-byte body.
static_assert(offsetof(Layer, boundsMax) == offsetof(Layer, boundsMin) + 12);
constexpr FieldRef<Layer> kLayerBounds{[](Layer* layer) -> void* {
                                         return reinterpret_cast<uint8_t*>(layer) +
                                                offsetof(Layer, boundsMin);
                                       },
                                       24};

// clang-format off
constexpr ChunkRule<Channel> kChannelRules[] = {
    {kKEYN, kNoField<Channel>,               2,  kOwn,    ReadKeyCount},
    {kKEY,  kNoField<Channel>,               0,  kOwn,    ReadKeys},
    {kPER,  Field<&Channel::preBehavior>,    2,  kCopied, nullptr},
    {kPOST, Field<&Channel::postBehavior>,   2,  kCopied, nullptr},
};

template <int I>
bool ReadChannel(Walker* w, Motion* motion, const ChunkHeader& h) {
  return ReadNested(w, kChannelRules, &motion->channels[I], h);
}

static_assert(kChannelCount == 9, "one row per channel below");
constexpr ChunkRule<Motion> kMotionRules[] = {
    {kIRMT,           Field<&Motion::restInverse>, 64, kFixed,     nullptr},
    {kPIVT,           Field<&Motion::pivot>,       12, kFixed,     nullptr},
    {kPARN,           Field<&Motion::parentNo>,    2,  kFixed,     nullptr},
    {kChannelTags[0], kNoField<Motion>,            0,  kContainer, ReadChannel<0>},
    {kChannelTags[1], kNoField<Motion>,            0,  kContainer, ReadChannel<1>},
    {kChannelTags[2], kNoField<Motion>,            0,  kContainer, ReadChannel<2>},
    {kChannelTags[3], kNoField<Motion>,            0,  kContainer, ReadChannel<3>},
    {kChannelTags[4], kNoField<Motion>,            0,  kContainer, ReadChannel<4>},
    {kChannelTags[5], kNoField<Motion>,            0,  kContainer, ReadChannel<5>},
    {kChannelTags[6], kNoField<Motion>,            0,  kContainer, ReadChannel<6>},
    {kChannelTags[7], kNoField<Motion>,            0,  kContainer, ReadChannel<7>},
    {kChannelTags[8], kNoField<Motion>,            0,  kContainer, ReadChannel<8>},
};

constexpr ChunkRule<Mesh> kMeshRules[] = {
    {kVTXN, Field<&Mesh::vertexCount>,  2, kOwn,    ReadVertexCount},
    {kVTEX, kNoField<Mesh>,             0, kOwn,    ReadVertices},
    {kPOLN, Field<&Mesh::polygonCount>, 2, kOwn,    ReadPolygonCount},
    {kPOLY, kNoField<Mesh>,             0, kOwn,    ReadPolygons},
    {kSFNO, Field<&Mesh::surfaceNo>,    2, kCopied, nullptr},
};

constexpr ChunkRule<Bone> kBoneRules[] = {
    {kNAME, Field<&Bone::name>,          0,  kName,  nullptr},
    {kRSTP, Field<&Bone::restPosition>,  12, kFixed, nullptr},
    {kRSTD, Field<&Bone::restDirection>, 12, kFixed, nullptr},
    {kRSTL, Field<&Bone::restLength>,    4,  kFixed, nullptr},
    {kMTNO, Field<&Bone::motionNo>,      2,  kFixed, nullptr},
};

constexpr ChunkRule<PaletteBinding> kBindingRules[] = {
    {kMTNO, Field<&PaletteBinding::motionNo>,    2, kCopied, nullptr},
    {kVSCN, Field<&PaletteBinding::paletteSlot>, 2, kCopied, nullptr},
};

using Meshes = CountedList<&Layer::meshes, &Layer::meshCount, 0>;
using Bones = CountedList<&Layer::bones, &Layer::boneCount, 1>;
using Bindings = CountedList<&Layer::bindings, &Layer::bindingCount, 2>;
constexpr ChunkRule<Layer> kLayerRules[] = {
    {kNAME, Field<&Layer::name>,        0,  kName,   nullptr},
    {kBBOX, kLayerBounds,               24, kFixed,  nullptr},
    {kSHOW, Field<&Layer::show>,        4,  kCopied, nullptr},
    {kMESN, kNoField<Layer>,            2,  kCount,  Meshes::ReadCountChunk},
    {kMESH, kNoField<Layer>,            0,  kItem,   Meshes::ReadItem<kMeshRules>},
    {kBONN, kNoField<Layer>,            2,  kCount,  Bones::ReadCountChunk},
    {kBONE, kNoField<Layer>,            0,  kItem,   Bones::ReadItem<kBoneRules>},
    {kLMNO, Field<&Layer::motionNo>,    2,  kCopied, nullptr},
    {kLVSC, Field<&Layer::paletteSlot>, 2,  kCopied, nullptr},
    {kMOTN, kNoField<Layer>,            2,  kCount,  Bindings::ReadCountChunk},
    {kMTNO, kNoField<Layer>,            0,  kItem,   Bindings::ReadItem<kBindingRules>},
};

// SIZE only records the size: the texture is made when its pixels arrive,
// so nothing is allocated for a container that never delivers them.
constexpr ChunkRule<TextureSlot> kTextureRules[] = {
    {kSIZE, kNoField<TextureSlot>, 8, kOwn, ReadTextureSize},
    {kTEX,  kNoField<TextureSlot>, 0, kOwn, ReadPixels},
};

// A container that ends without exactly width x height x 4 bytes of pixels
// fails the load.
template <auto Texture, auto Width, auto Height>
bool ReadTexture(Walker* w, Surface* surface, const ChunkHeader& h) {
  TextureSlot slot{&(surface->*Texture), &(surface->*Width), &(surface->*Height)};
  const uint32_t got = WalkBody(*w->load, kTextureRules, &slot, h.length);
  if (!slot.filled) Fail(w->load->abortFlag, LmfError::kNoPixels);
  return ContainerDone(h, got, &w->consumed, w->load->abortFlag);
}
constexpr auto ReadColorTexture =
    ReadTexture<&Surface::texture, &Surface::textureWidth, &Surface::textureHeight>;
constexpr auto ReadToonTexture =
    ReadTexture<&Surface::toonTexture, &Surface::toonWidth, &Surface::toonHeight>;

constexpr ChunkRule<Surface> kSurfaceRules[] = {
    {kNAME, Field<&Surface::name>,      0,  kName,      nullptr},
    {kSTYP, Field<&Surface::type>,      4,  kCopied,    nullptr},
    {kBLDM, Field<&Surface::blendMode>, 4,  kCopied,    nullptr},
    {kDIFF, Field<&Surface::diffuse>,   16, kFixed,     nullptr},
    {kEMSV, Field<&Surface::emissive>,  4,  kCopied,    nullptr},
    {kSPEC, Field<&Surface::specular>,  4,  kCopied,    nullptr},
    {kPOWR, Field<&Surface::power>,     4,  kCopied,    nullptr},
    {kSIDE, kNoField<Surface>,          4,  kOwn,       ReadDoubleSided},
    {kTEX,  kNoField<Surface>,          0,  kContainer, ReadColorTexture},
    {kTTEX, kNoField<Surface>,          0,  kContainer, ReadToonTexture},
    {kEDGC, Field<&Surface::edgeColor>, 16, kFixed,     nullptr},
    {kEDGS, Field<&Surface::edgeSize>,  4,  kCopied,    nullptr},
};

constexpr ChunkRule<Camera> kCameraRules[] = {
    {kNAME, Field<&Camera::name>,     0, kName,   nullptr},
    {kFOVY, Field<&Camera::fovY>,     4, kCopied, nullptr},
    {kMTNO, Field<&Camera::motionNo>, 2, kCopied, nullptr},
};

using Layers = CountedList<&Scene::layers, &Scene::layerCount, 0>;
using Motions = CountedList<&Scene::motions, &Scene::motionCount, 1>;
using Surfaces = CountedList<&Scene::surfaces, &Scene::surfaceCount, 2>;
using Cameras = CountedList<&Scene::cameras, &Scene::cameraCount, 3>;
using Lights = CountedList<&Scene::lights, &Scene::lightCount, 4>;
constexpr ChunkRule<Scene> kSceneRules[] = {
    {kLYRN, kNoField<Scene>, 2, kCount, Layers::ReadCountChunk},
    {kLYER, kNoField<Scene>, 0, kItem,  Layers::ReadItem<kLayerRules>},
    {kMOTN, kNoField<Scene>, 2, kCount, Motions::ReadCountChunk},
    {kMOTI, kNoField<Scene>, 0, kItem,  Motions::ReadItem<kMotionRules>},
    {kSRFN, kNoField<Scene>, 2, kCount, Surfaces::ReadCountChunk},
    {kSURF, kNoField<Scene>, 0, kItem,  Surfaces::ReadItem<kSurfaceRules>},
    {kCAMN, kNoField<Scene>, 2, kCount, Cameras::ReadCountChunk},
    {kCAM,  kNoField<Scene>, 0, kItem,  Cameras::ReadItem<kCameraRules>},
    {kLITN, kNoField<Scene>, 2, kCount, Lights::ReadCountChunk},
    {kLIGT, kNoField<Scene>, 0, kOwn,   CountLight},
};
// clang-format on

static_assert(TableIsSound(kChannelRules));
static_assert(TableIsSound(kMotionRules));
static_assert(TableIsSound(kMeshRules));
static_assert(TableIsSound(kBoneRules));
static_assert(TableIsSound(kBindingRules));
static_assert(TableIsSound(kLayerRules));
static_assert(TableIsSound(kTextureRules));
static_assert(TableIsSound(kSurfaceRules));
static_assert(TableIsSound(kCameraRules));
static_assert(TableIsSound(kSceneRules));

}  // namespace

// A light is counted and nothing of it is read: the chunks of its body
// follow at top level. Its length was still checked against the total.
bool CountLight(Walker* w, Scene* scene, const ChunkHeader&) {
  return NextItem(scene->lights, scene->lightCount, &w->lists[Lights::kList], w->load->abortFlag) !=
         nullptr;
}

uint32_t WalkScene(const Load& load, Scene* scene, uint32_t length) {
  return WalkBody(load, kSceneRules, scene, length);
}

}  // namespace lmf
