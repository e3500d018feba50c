#include "platform/core/errorhandler.h"
#include "platform/core/exceptions.h"
#include "platform/widgets/messagebox.h"
#include "../common/fakes.h"
#include "../common/replacement.h"

#include <gtest/gtest.h>

using namespace galimo;

using galimo::test::TRecordingMessageBox;
using galimo::test::TScopedReplacement;

TEST(ErrorBox, AppendsAFullStopOnlyAfterCharactersThatSortAfterIt)
{
    EXPECT_EQ(ErrorBoxText("Erreur JPEG #53"), "Erreur JPEG #53.");
    EXPECT_EQ(ErrorBoxText("Image bitmap incorrecte"), "Image bitmap incorrecte.");
    EXPECT_EQ(ErrorBoxText("Extension de fichier graphique inconnue (.tif)"),
              "Extension de fichier graphique inconnue (.tif)");  // ')' sorts before '.'
    EXPECT_EQ(ErrorBoxText("Fin."), "Fin.");
    EXPECT_EQ(ErrorBoxText("Quoi ?"), "Quoi ?.");  // '?' sorts after '.'
    EXPECT_EQ(ErrorBoxText("Vraiment !"), "Vraiment !");
    EXPECT_EQ(ErrorBoxText("Fichier 1/2"), "Fichier 1/2.");
    EXPECT_EQ(ErrorBoxText("Mémoire épuisée"), "Mémoire épuisée.");
    EXPECT_EQ(ErrorBoxText(""), "");
}

TEST(ErrorBox, GuardShowsTheMessageOnceAndAbortShowsNothing)
{
    TRecordingMessageBox box;
    {
        TScopedReplacement<IMessageBox> inForce(box);
        EXPECT_FALSE(Guard([] { throw EInvalidGraphic("Image bitmap incorrecte"); }));
        EXPECT_FALSE(Guard([] { throw EAbort(); }));
        EXPECT_TRUE(Guard([] {}));
        EXPECT_FALSE(Guard([] { throw std::runtime_error("boom"); }));
    }
    ASSERT_EQ(box.Calls.size(), 2u);
    EXPECT_EQ(box.Calls[0].caption, "Galimo");
    EXPECT_EQ(box.Calls[0].text, "Image bitmap incorrecte.");
    EXPECT_EQ(box.Calls[0].icon, MessageIcon::Error);
    EXPECT_EQ(box.Calls[1].text, "boom.");
}
