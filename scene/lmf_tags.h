// Tags and record sizes of the LMF scene file, shared by the loader, the
// writer and lmfdump.
//
// A tag is four characters read as a big-endian number ('LYER' is
// 0x4C594552) and stored as a little-endian 32-bit value, so the file holds
// the characters in reverse order. The same tag can mean different things at
// different levels; the reader that meets it decides.
#ifndef MORVANE_SCENE_LMF_TAGS_H
#define MORVANE_SCENE_LMF_TAGS_H

#include <cstdint>
#include <string>

constexpr uint32_t LmfTag(const char (&name)[5]) {
  return static_cast<uint32_t>(static_cast<uint8_t>(name[0])) << 24 |
         static_cast<uint32_t>(static_cast<uint8_t>(name[1])) << 16 |
         static_cast<uint32_t>(static_cast<uint8_t>(name[2])) << 8 |
         static_cast<uint32_t>(static_cast<uint8_t>(name[3]));
}

// The four characters of a tag, non-printable bytes as '?'.
std::string LmfTagName(uint32_t tag);

namespace lmf {

constexpr uint32_t kMagic = LmfTag("LMD3");
constexpr uint32_t kHeaderSize = 8;       // magic, total length
constexpr uint32_t kChunkHeaderSize = 8;  // tag, length
constexpr uint32_t kVertexSize = 80;
constexpr uint32_t kTriangleSize = 6;
constexpr uint32_t kKeySize = 34;  // value 4, time 4, shape 2, params 24
constexpr uint32_t kPixelSize = 4;
// Larger pictures are refused: no Direct3D 9 device takes a bigger texture.
constexpr int32_t kMaxTextureSide = 4096;

// Top level.
constexpr uint32_t kLYRN = LmfTag("LYRN");
constexpr uint32_t kLYER = LmfTag("LYER");
constexpr uint32_t kMOTN = LmfTag("MOTN");
constexpr uint32_t kMOTI = LmfTag("MOTI");
constexpr uint32_t kSRFN = LmfTag("SRFN");
constexpr uint32_t kSURF = LmfTag("SURF");
constexpr uint32_t kCAMN = LmfTag("CAMN");
constexpr uint32_t kCAM = LmfTag("CAM ");
constexpr uint32_t kLITN = LmfTag("LITN");
constexpr uint32_t kLIGT = LmfTag("LIGT");
// Layer.
constexpr uint32_t kNAME = LmfTag("NAME");
constexpr uint32_t kBBOX = LmfTag("BBOX");
constexpr uint32_t kSHOW = LmfTag("SHOW");
constexpr uint32_t kMESN = LmfTag("MESN");
constexpr uint32_t kMESH = LmfTag("MESH");
constexpr uint32_t kBONN = LmfTag("BONN");
constexpr uint32_t kBONE = LmfTag("BONE");
constexpr uint32_t kLMNO = LmfTag("LMNO");
constexpr uint32_t kLVSC = LmfTag("LVSC");
// kMOTN: binding count; kMTNO: a binding (container).
constexpr uint32_t kMTNO = LmfTag("MTNO");
// Mesh.
constexpr uint32_t kVTXN = LmfTag("VTXN");
constexpr uint32_t kVTEX = LmfTag("VTEX");
constexpr uint32_t kPOLN = LmfTag("POLN");
constexpr uint32_t kPOLY = LmfTag("POLY");
constexpr uint32_t kSFNO = LmfTag("SFNO");
// Bone.
constexpr uint32_t kRSTP = LmfTag("RSTP");
constexpr uint32_t kRSTD = LmfTag("RSTD");
constexpr uint32_t kRSTL = LmfTag("RSTL");
// Palette binding: kMTNO (motion), kVSCN (slot).
constexpr uint32_t kVSCN = LmfTag("VSCN");
// Motion.
constexpr uint32_t kIRMT = LmfTag("IRMT");
constexpr uint32_t kPIVT = LmfTag("PIVT");
constexpr uint32_t kPARN = LmfTag("PARN");
// The nine channels in Motion::channels order.
constexpr uint32_t kChannelTags[9] = {LmfTag("TRSX"), LmfTag("TRSY"), LmfTag("TRSZ"),
                                      LmfTag("ROTX"), LmfTag("ROTY"), LmfTag("ROTZ"),
                                      LmfTag("SCLX"), LmfTag("SCLY"), LmfTag("SCLZ")};
// Channel.
constexpr uint32_t kKEYN = LmfTag("KEYN");
constexpr uint32_t kKEY = LmfTag("KEY ");
constexpr uint32_t kPER = LmfTag("PER ");
constexpr uint32_t kPOST = LmfTag("POST");
// Surface.
constexpr uint32_t kSTYP = LmfTag("STYP");
constexpr uint32_t kBLDM = LmfTag("BLDM");
constexpr uint32_t kDIFF = LmfTag("DIFF");
constexpr uint32_t kEMSV = LmfTag("EMSV");
constexpr uint32_t kSPEC = LmfTag("SPEC");
constexpr uint32_t kPOWR = LmfTag("POWR");
constexpr uint32_t kSIDE = LmfTag("SIDE");
constexpr uint32_t kTEX = LmfTag("TEX ");  // the colour texture, and a texture's pixels
constexpr uint32_t kTTEX = LmfTag("TTEX");
constexpr uint32_t kEDGC = LmfTag("EDGC");
constexpr uint32_t kEDGS = LmfTag("EDGS");
// Texture.
constexpr uint32_t kSIZE = LmfTag("SIZE");
// Camera.
constexpr uint32_t kFOVY = LmfTag("FOVY");

// The side of the square texture that holds a picture of width x height:
// the smallest power of two not below the larger of the two. Both must be
// in 1..kMaxTextureSide.
uint32_t TextureSide(int32_t width, int32_t height);

}  // namespace lmf

#endif  // MORVANE_SCENE_LMF_TAGS_H
