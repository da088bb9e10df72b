#include "news/newssitecatalogue.h"

NewsSiteCatalogue::NewsSiteCatalogue() : m_rows(builtIn()) { }

NewsSiteCatalogue::NewsSiteCatalogue(QList<CatalogueEntry> rows) : m_rows(std::move(rows)) { }

const QList<CatalogueEntry> &NewsSiteCatalogue::builtIn()
{
    static const QList<CatalogueEntry> table = {
        {QStringLiteral("Tambrel Notícias"), QStringLiteral("http://www.tambrel.example/noticias/")},
        {QStringLiteral("Orvalia Destaques"),
         QStringLiteral("http://www.orvalia.example/category/destaques/")},
        {QStringLiteral("Bíblia Velmora On-Line"), QStringLiteral("http://www.bibliavelmora.example/")},
        {QStringLiteral("Séries Bíblicas, Sermões e Audios Rede Quelvar"),
         QStringLiteral("http://www.redequelvar.example/")},
        {QStringLiteral("Estudos Bíblicos download, Portal Ternes"),
         QStringLiteral("http://www.portalternes.example/estudos/download")},
        {QStringLiteral("Blog Vestra"), QStringLiteral("http://www.vestra.example/blog/")},
        {QStringLiteral("Brelo Sermões/Livros"), QStringLiteral("http://www.brelo.example/sermoes/")},
        {QStringLiteral("Download Revistas KLD"),
         QStringLiteral("http://www.kld.example/revistas/download/revistas.html")},
        {QStringLiteral("Meditações Tessel"),
         QStringLiteral("http://www.tessel.example/meditacoes/diarias/arquivo/2011/meditacoes2011.html")},
        {QStringLiteral("Livros Helvane"), QStringLiteral("http://www.helvane.example/")},
        {QStringLiteral("Download pregações Portal Veldon"),
         QStringLiteral("http://www.portalveldon.example/Downloads/Pregações/Sermões/tabid/57/Default.aspx")},
        {QStringLiteral("Memória Ombrela Downloads"),
         QStringLiteral("http://www.ombrela.example/memoria/downloads.htm")},
        {QStringLiteral("O Marco Orvel"), QStringLiteral("http://www.marcoorvel.example/")},
    };
    return table;
}
