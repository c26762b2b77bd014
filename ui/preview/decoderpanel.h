#pragma once

// The preview's decoder panel: a decoder chosen from the installed list (a
// box that finds them by any part of their id or name), its channels mapped
// to the capture's by name, its options set from the decoder's own
// descriptions (a list where it allows only some values), and the decoders
// in use, which belong to the page options that Print shares.

#include "capture/decode/decoderinfo.h"
#include "ui/preview/pageoptionsmodel.h"

#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QStringList>
#include <QWidget>

#include <future>
#include <optional>

class DecoderPanel : public QWidget {
    Q_OBJECT
public:
    explicit DecoderPanel(PageOptionsModel& model, QWidget* parent = nullptr);
    ~DecoderPanel() override;

    // The capture's channel names, and whether the period gives a sample rate.
    void setChannels(const QStringList& names, bool rateKnown);

    QComboBox* decoder;  // "spi — Serial Peripheral Interface"
    QWidget* settings;   // a row for each channel and option of the decoder chosen
    QPushButton* add;    // the decoder as set, to the page
    QLabel* problem;     // why it was not added
    QListWidget* inUse;  // the decoders on the page
    QPushButton* remove; // the one chosen in the list, from the page

protected:
    void showEvent(QShowEvent* event) override;

private:
    void listReady();
    void choose();
    // The decoder chosen as its rows set it, in sigrok-cli's -P syntax.
    QString requestText() const;
    void addDecoder();
    void showInUse();

    QPointer<PageOptionsModel> model_;
    std::future<decode::Checked<QList<decode::DecoderSummary>>> listing_;
    std::optional<decode::DecoderInfo> chosen_;
    QFormLayout* rows_;
    QList<QComboBox*> channelBoxes_;
    QList<QWidget*> optionBoxes_; // QComboBox or QLineEdit
    QStringList names_;
    bool rateKnown_ = false;
};
