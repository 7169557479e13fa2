// Draws every built-in picture of the game into a folder. The committed pictures in
// resources/pictures are its output; redraw them with
//
//   cmake --build build --target make_pictures && ./build/tools/make_pictures resources/pictures
//
// The drawing is deterministic, so a second run reproduces the files byte for byte (a
// test checks this). JPEGs go through libjpeg with fixed settings, PNGs through Qt.
#include "site_config.h"
#include "tools/pictures_common.h"

#include <QDir>
#include <QGuiApplication>
#include <QImageWriter>
#include <QSaveFile>

#include <csetjmp>
#include <cstdio>
// jpeglib.h needs size_t and FILE declared first.
#include <jpeglib.h>

namespace {

struct JpegError {
    jpeg_error_mgr manager;
    std::jmp_buf escape;
};

void onJpegError(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<JpegError *>(info->err)->escape, 1);
}

// Quality 92, 4:4:4 sampling (red lettering on cream fringes badly with chroma
// subsampling), the exact integer DCT, so every machine writes the same bytes. Pictures
// at twice the size (device pixel ratio 2) take quality 85 and 4:2:0: their colour still
// has one sample per screen pixel of the plain picture, and they are 40 % smaller.
QByteArray encodeJpeg(const QImage &picture)
{
    const bool twice = picture.devicePixelRatio() > 1;
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB888);
    jpeg_compress_struct info{};
    JpegError error{};
    info.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = onJpegError;
    unsigned char *buffer = nullptr;
    unsigned long size = 0;
    if (setjmp(error.escape)) {
        jpeg_destroy_compress(&info);
        std::free(buffer);
        return {};
    }
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = static_cast<JDIMENSION>(rgb.width());
    info.image_height = static_cast<JDIMENSION>(rgb.height());
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, twice ? 85 : 92, TRUE);
    info.dct_method = JDCT_ISLOW;
    info.optimize_coding = TRUE;
    for (int c = 0; c < info.num_components; ++c) {
        info.comp_info[c].h_samp_factor = twice && c == 0 ? 2 : 1;
        info.comp_info[c].v_samp_factor = twice && c == 0 ? 2 : 1;
    }
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(rgb.constScanLine(static_cast<int>(info.next_scanline)));
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    QByteArray bytes(reinterpret_cast<const char *>(buffer), static_cast<qsizetype>(size));
    std::free(buffer);
    return bytes;
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    return !bytes.isEmpty() && file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
}

bool writePicture(const QDir &folder, const vantrell::art::Picture &picture)
{
    const QString path = folder.filePath(picture.fileName);
    if (picture.fileName.endsWith(QLatin1String(".jpg")))
        return writeFile(path, encodeJpeg(picture.image));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QImageWriter writer(&file, "png");
    return writer.write(picture.image) && file.commit();
}

} // namespace

int main(int argc, char *argv[])
{
    // Drawing needs fonts, not a screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_pictures <output-dir>\n");
        return 2;
    }
    QDir folder(QString::fromLocal8Bit(argv[1]));
    if (!folder.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "make_pictures: cannot create %s\n", argv[1]);
        return 1;
    }

    using namespace vantrell;
    std::vector<art::Picture> pictures = art::boardPictures();
    for (auto part : {art::controlPictures(), art::windowPictures(QString::fromUtf8(build::homeSiteDe),
                                                                 QString::fromUtf8(build::homeSiteEn))})
        pictures.insert(pictures.end(), part.begin(), part.end());

    for (const QString &problem : art::failures())
        std::fprintf(stderr, "make_pictures: %s\n", qPrintable(problem));
    if (!art::failures().empty())
        return 1;
    for (const art::Picture &picture : pictures) {
        if (!writePicture(folder, picture)) {
            std::fprintf(stderr, "make_pictures: cannot write %s\n", qPrintable(picture.fileName));
            return 1;
        }
    }
    std::printf("make_pictures: %zu pictures in %s\n", pictures.size(), qPrintable(folder.absolutePath()));
    return 0;
}
