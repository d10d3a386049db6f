#pragma once

#include "main_window/composerchip.h"

class ModelChoice;

// The composer's model switch: a capsule with the short name of the model that answers
// ("qwen3-8b"; the whole id in the tooltip) that opens a menu of "Automatic" and the
// server's models, fetched as it opens. A chosen model the server does not list shows in a
// warning tint: the automatic choice answers meanwhile.
class ModelChip : public ComposerChip
{
    Q_OBJECT

public:
    explicit ModelChip(ModelChoice &choice, QWidget *parent = nullptr);

    // The chosen model is not on the server.
    bool showsWarning() const { return m_warning; }

protected:
    QString chipSymbol() const override;
    QColor chipColor() const override;
    bool isEmphasised() const override { return m_warning; }

private:
    void showChoice();
    void fillMenu();

    ModelChoice &m_choice;
    QMenu *m_menu;
    bool m_warning = false;
};
