#include "render/pdf_writer.h"

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFWriter.hh>

#include <algorithm>
#include <stdexcept>

#include "render/page_palette.h"
#include "render/pdf_outline.h"
#include "render/pdf_text_font.h"
#include "render/pdf_text_layer.h"
#include "render/pdf_values.h"

namespace {

constexpr double kPointsPerInch = 72;
constexpr size_t kCopyStep = size_t{1} << 16;
constexpr int kBestPngPredictor = 15;  // each row names its own filter
constexpr int kCcittTwoDimensional = -1;  // Group 4
const char kImagePrefix[] = "Im";
const char kFontName[] = "F0";

QPDFObjectHandle Name(const std::string& name) { return QPDFObjectHandle::newName(name); }
QPDFObjectHandle Integer(long long value) { return QPDFObjectHandle::newInteger(value); }
QPDFObjectHandle Real(double value) { return QPDFObjectHandle::newReal(PdfNumber(value)); }

double PointsPerPixel(const SpooledPage& page) {
  return kPointsPerInch / (page.dotsPerInch > 0 ? page.dotsPerInch : kDefaultDotsPerInch);
}

// Indexes into greys stay grey: the table's base is then DeviceGray.
QPDFObjectHandle ColourSpace(const PdfImageFormat& format) {
  switch (format.kind) {
    case PdfImageKind::kRgb: return Name("/DeviceRGB");
    case PdfImageKind::kIndexed: break;
    default: return Name("/DeviceGray");
  }
  const bool grey = AllGrey(format.palette);
  std::string lookup;
  for (uint32_t colour : format.palette) {
    for (int shift = grey ? 0 : 16; shift >= 0; shift -= 8) lookup += static_cast<char>((colour >> shift) & 0xFF);
  }
  return QPDFObjectHandle::newArray({Name("/Indexed"), Name(grey ? "/DeviceGray" : "/DeviceRGB"),
                                     Integer(static_cast<long long>(format.palette.size()) - 1),
                                     QPDFObjectHandle::newString(lookup)});
}

QPDFObjectHandle DecodeParameters(const PdfImageFormat& format) {
  QPDFObjectHandle parameters = QPDFObjectHandle::newDictionary();
  if (format.filter == PdfImageFilter::kFax) {
    parameters.replaceKey("/K", Integer(kCcittTwoDimensional));
    parameters.replaceKey("/Columns", Integer(format.width));
    parameters.replaceKey("/Rows", Integer(format.height));
    parameters.replaceKey("/BlackIs1", QPDFObjectHandle::newBool(true));  // as coded: 1 bits black
    return parameters;
  }
  if (!format.predicted) return QPDFObjectHandle::newNull();
  parameters.replaceKey("/Predictor", Integer(kBestPngPredictor));
  parameters.replaceKey("/Colors", Integer(format.kind == PdfImageKind::kRgb ? 3 : 1));
  parameters.replaceKey("/BitsPerComponent", Integer(format.bits));
  parameters.replaceKey("/Columns", Integer(format.width));
  return parameters;
}

// The picture, its coded bytes read from the spool as the file is written.
QPDFObjectHandle ImageOf(QPDF& pdf, const SpooledImage& spooled, const PageSpool& spool) {
  const PdfImageFormat& format = spooled.format;
  QPDFObjectHandle image = pdf.newStream();
  QPDFObjectHandle dictionary = image.getDict();
  dictionary.replaceKey("/Type", Name("/XObject"));
  dictionary.replaceKey("/Subtype", Name("/Image"));
  dictionary.replaceKey("/Width", Integer(format.width));
  dictionary.replaceKey("/Height", Integer(format.height));
  dictionary.replaceKey("/BitsPerComponent", Integer(format.bits));
  if (format.kind == PdfImageKind::kStencil) {
    // Drawn pixel for pixel at its own size where readers smooth the edges
    // of pictures; its 1 bits paint.
    dictionary.replaceKey("/ImageMask", QPDFObjectHandle::newBool(true));
    dictionary.replaceKey("/Decode", QPDFObjectHandle::newArray({Integer(1), Integer(0)}));
  } else {
    dictionary.replaceKey("/ColorSpace", ColourSpace(format));
  }
  const SpoolSpan span = spooled.span;
  const auto copy = [&spool, span](Pipeline* out) {
    std::vector<uint8_t> chunk(static_cast<size_t>(std::min<uint64_t>(span.size, kCopyStep)));
    std::string error;
    for (uint64_t done = 0; done < span.size; done += chunk.size()) {
      const size_t size = static_cast<size_t>(std::min<uint64_t>(chunk.size(), span.size - done));
      if (!spool.Read(span.offset + done, chunk.data(), size, error)) throw std::runtime_error(error);
      out->write(chunk.data(), size);
    }
    out->finish();
  };
  const char* filter = format.filter == PdfImageFilter::kFax ? "/CCITTFaxDecode" : "/FlateDecode";
  image.replaceStreamData(copy, Name(filter), DecodeParameters(format));
  return image;
}

std::string ImageName(size_t index) { return kImagePrefix + std::to_string(index); }

// The operands that make 0xRRGGBB the colour things are filled with.
std::string FillColour(uint32_t colour) {
  std::string operands;
  for (int shift = 16; shift >= 0; shift -= 8) operands += PdfNumber(((colour >> shift) & 0xFF) / 255.0) + " ";
  return operands + "rg";
}

// The page's operators: its paper, its pictures over the whole page
// (stencils in their ink), then its words.
std::string PageOperators(const SpooledPage& page, const kwen::PageText& words, const PdfTextCodes& codes) {
  const double scale = PointsPerPixel(page);
  const std::string size = PdfNumber(page.width * scale) + " " + PdfNumber(page.height * scale);
  std::string operators;
  if (page.paper != kPdfWhite) operators += "q " + FillColour(page.paper) + " 0 0 " + size + " re f Q\n";
  for (size_t index = 0; index < page.images.size(); ++index) {
    const PdfImageFormat& format = page.images[index].format;
    const std::string ink = format.kind == PdfImageKind::kStencil ? FillColour(format.ink) + " " : std::string();
    operators += "q " + PdfNumber(page.width * scale) + " 0 0 " + PdfNumber(page.height * scale) + " 0 0 cm " + ink +
                 "/" + ImageName(index) + " Do Q\n";
  }
  return operators + TextLayerOperators(words, TextPlacement{page.height, scale}, kFontName, codes);
}

// Made as the file is written, so that the operators of all pages are never
// held at once.
QPDFObjectHandle ContentsOf(QPDF& pdf, const SpooledPage& page, const kwen::PageText& words,
                            const PdfTextCodes& codes) {
  QPDFObjectHandle contents = pdf.newStream();
  contents.replaceStreamData(
      [&page, &words, &codes](Pipeline* out) {
        const std::string operators = PageOperators(page, words, codes);
        out->write(reinterpret_cast<const unsigned char*>(operators.data()), operators.size());
        out->finish();
      },
      QPDFObjectHandle::newNull(), QPDFObjectHandle::newNull());
  return contents;
}

const kwen::PageText& WordsOf(const kwen::DocumentText& text, int32_t page) {
  static const kwen::PageText kNone;
  return page >= 0 && static_cast<size_t>(page) < text.pages.size() ? text.pages[static_cast<size_t>(page)] : kNone;
}

class PageObjects {
 public:
  PageObjects(QPDF& pdf, const PdfContents& contents) : pdf_(pdf), contents_(contents) {
    for (const int32_t page : contents.pageNumbers) codes_.Add(WordsOf(contents.text, page));
  }

  QPDFObjectHandle Make(size_t index) {
    const SpooledPage& page = contents_.pages[index];
    const kwen::PageText& words = WordsOf(contents_.text, contents_.pageNumbers[index]);
    const double scale = PointsPerPixel(page);
    QPDFObjectHandle object = QPDFObjectHandle::newDictionary();
    object.replaceKey("/Type", Name("/Page"));
    object.replaceKey("/MediaBox", QPDFObjectHandle::newArray(
                                       {Integer(0), Integer(0), Real(page.width * scale), Real(page.height * scale)}));
    object.replaceKey("/Resources", Resources(page, words));
    if (!page.images.empty() || page.paper != kPdfWhite || words.HasWords()) {
      object.replaceKey("/Contents", ContentsOf(pdf_, page, words, codes_));
    }
    return pdf_.makeIndirectObject(object);
  }

 private:
  QPDFObjectHandle Resources(const SpooledPage& page, const kwen::PageText& words) {
    QPDFObjectHandle resources = QPDFObjectHandle::newDictionary();
    if (!page.images.empty()) {
      QPDFObjectHandle images = QPDFObjectHandle::newDictionary();
      for (size_t image = 0; image < page.images.size(); ++image) {
        images.replaceKey("/" + ImageName(image), ImageOf(pdf_, page.images[image], contents_.spool));
      }
      resources.replaceKey("/XObject", images);
    }
    if (words.HasWords()) {
      resources.replaceKey("/Font", QPDFObjectHandle::newDictionary({{std::string("/") + kFontName, Font()}}));
    }
    return resources;
  }

  // One font for every page, made at the first page with words.
  QPDFObjectHandle Font() {
    if (font_.isNull()) font_ = MakeTextFont(pdf_, codes_.ToUnicodeCMap());
    return font_;
  }

  QPDF& pdf_;
  const PdfContents& contents_;
  PdfTextCodes codes_;  // for every page, so that one font serves them all
  QPDFObjectHandle font_ = QPDFObjectHandle::newNull();
};

void AddInformation(QPDF& pdf, const PdfContents& contents) {
  QPDFObjectHandle information = QPDFObjectHandle::newDictionary();
  if (!contents.title.empty()) {
    information.replaceKey("/Title", PdfTextString(contents.title));
    pdf.getRoot().replaceKey("/ViewerPreferences",
                             QPDFObjectHandle::newDictionary({{"/DisplayDocTitle", QPDFObjectHandle::newBool(true)}}));
  }
  if (!contents.creator.empty()) information.replaceKey("/Creator", PdfTextString(contents.creator));
  pdf.getTrailer().replaceKey("/Info", pdf.makeIndirectObject(information));
}

void AddOutline(QPDF& pdf, const PdfContents& contents, const std::vector<QPDFObjectHandle>& pageObjects) {
  const int32_t lastPage = *std::max_element(contents.pageNumbers.begin(), contents.pageNumbers.end());
  std::vector<OutlineTarget> targets(static_cast<size_t>(lastPage) + 1);
  // The first copy of a page exported twice takes its entries.
  for (size_t index = pageObjects.size(); index-- > 0;) {
    const SpooledPage& page = contents.pages[index];
    targets[static_cast<size_t>(contents.pageNumbers[index])] =
        OutlineTarget{pageObjects[index], page.height * PointsPerPixel(page)};
  }
  QPDFObjectHandle outline = MakeOutline(pdf, contents.text.outline, targets);
  if (outline.isNull()) return;
  pdf.getRoot().replaceKey("/Outlines", outline);
  pdf.getRoot().replaceKey("/PageMode", Name("/UseOutlines"));
}

}  // namespace

void WritePdfFile(const PdfContents& contents, Pipeline& out) {
  QPDF pdf;
  pdf.setSuppressWarnings(true);
  pdf.emptyPDF();
  PageObjects maker(pdf, contents);
  std::vector<QPDFObjectHandle> pageObjects;
  for (size_t index = 0; index < contents.pages.size(); ++index) {
    pageObjects.push_back(maker.Make(index));
    pdf.addPage(pageObjects.back(), false);
  }
  AddInformation(pdf, contents);
  AddOutline(pdf, contents, pageObjects);
  QPDFWriter writer(pdf);
  writer.setOutputPipeline(&out);
  writer.setObjectStreamMode(qpdf_o_generate);
  writer.setCompressStreams(true);
  // The pictures go in as coded here, never decoded and coded again.
  writer.setDecodeLevel(qpdf_dl_none);
  writer.setDeterministicID(true);
  writer.write();
}
