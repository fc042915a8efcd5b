#pragma once

// Vector documents written on the spot for tests, benchmarks and seed corpora: SVG text, and PDF
// pages through Qt's own PDF writer, so no binary document is kept in the repository.

#include <QBuffer>
#include <QByteArray>
#include <QColor>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include <initializer_list>
#include <string>

namespace cartonic::test {

// An SVG whose view box is side units square, declaring a size of declared pixels, of vertical
// black and white stripes stripe units wide on white, starting with black.
inline QByteArray stripesSvg(int side, int stripe, int declared) {
    const std::string s = std::to_string(side);
    std::string text = "<svg xmlns='http://www.w3.org/2000/svg' width='" +
                       std::to_string(declared) + "' height='" + std::to_string(declared) +
                       "' viewBox='0 0 " + s + " " + s + "'><rect width='" + s + "' height='" + s +
                       "' fill='white'/>";
    for (int x = 0; x < side; x += 2 * stripe) {
        text += "<rect x='" + std::to_string(x) + "' width='" + std::to_string(stripe) +
                "' height='" + s + "'/>";
    }
    return QByteArray::fromStdString(text + "</svg>");
}

// A PDF of one page per colour, each width x height points and filled with its colour but for
// the right half of the top half, which is left undrawn.
inline QByteArray colourPagesPdf(std::initializer_list<QColor> colours, double width = 200,
                                 double height = 100) {
    QByteArray bytes;
    QBuffer out(&bytes);
    out.open(QIODevice::WriteOnly);
    QPdfWriter writer(&out);
    writer.setResolution(72);
    writer.setPageSize(QPageSize(QSizeF(width, height), QPageSize::Point));
    writer.setPageMargins(QMarginsF());
    QPainter painter(&writer);
    bool first = true;
    for (const QColor& colour : colours) {
        if (!first) {
            writer.newPage();
        }
        first = false;
        painter.fillRect(QRectF(0, 0, width / 2, height), colour);
        painter.fillRect(QRectF(width / 2, height / 2, width / 2, height / 2), colour);
    }
    painter.end();
    return bytes;
}

// A PDF page side points square drawn as stripesSvg draws its view box.
inline QByteArray stripesPdf(int side, int stripe) {
    QByteArray bytes;
    QBuffer out(&bytes);
    out.open(QIODevice::WriteOnly);
    QPdfWriter writer(&out);
    writer.setResolution(72);
    writer.setPageSize(QPageSize(QSizeF(side, side), QPageSize::Point));
    writer.setPageMargins(QMarginsF());
    QPainter painter(&writer);
    painter.fillRect(QRectF(0, 0, side, side), Qt::white);
    for (int x = 0; x < side; x += 2 * stripe) {
        painter.fillRect(QRectF(x, 0, stripe, side), Qt::black);
    }
    painter.end();
    return bytes;
}

} // namespace cartonic::test
