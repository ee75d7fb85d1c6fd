#pragma once

#include <QGroupBox>
#include <vector>

struct CertificadoTarjeta;
class QTreeWidget;

// The certificate panel (spCertificados): the card's certificates in a list
// (ListView1) and bpAceptar, which hands on the 0-based index of the highlighted row.
class PanelCertificados : public QGroupBox {
    Q_OBJECT

public:
    explicit PanelCertificados(QWidget* padre = nullptr);

    // Fills the list in the store's order and highlights the first row.
    void mostrar(const std::vector<CertificadoTarjeta>& certificados);
    // The highlighted row, 0-based; -1 when the list is empty.
    int elegido() const;

signals:
    void aceptado(int indice);

protected:
    void resizeEvent(QResizeEvent* evento) override;

private:
    void ajustarColumnas();

    QTreeWidget* listaCertificados_;
};
