"""A stand-in for the tax agency's VERI*FACTU service, for the sending tests.

agency_server.py CERT KEY CLIENT_CA FOLDER: HTTPS on 127.0.0.1 (port printed on the first line)
that requires a client certificate signed by CLIENT_CA. Each request body is saved as
FOLDER/peticion-N.xml; the answer depends on the word in FOLDER/modo:
  aceptar   every record "Correcto"
  rechazar  the first record "Incorrecto" with code 1100, the rest "Correcto"
  caido     HTTP 503 with an HTML page
  basura    HTTP 200 with a body that is not XML
"""
import http.server
import os
import ssl
import sys
import xml.etree.ElementTree as ET
from xml.sax.saxutils import escape

SUM = "https://www2.agenciatributaria.gob.es/static_files/common/internet/dep/aplicaciones/es/aeat/tike/cont/ws/"
SF = SUM + "SuministroInformacion.xsd"
SFR = SUM + "RespuestaSuministro.xsd"
SOAP = "http://schemas.xmlsoap.org/soap/envelope/"


def text(node, path):
    found = node.find(path)
    return "" if found is None else escape((found.text or "").strip())


def answer(body, mode):
    root = ET.fromstring(body)
    header = root.find(".//{%s}ObligadoEmision" % SF)
    lines = []
    for index, record in enumerate(root.iter()):
        if record.tag not in ("{%s}RegistroAlta" % SF, "{%s}RegistroAnulacion" % SF):
            continue
        alta = record.tag.endswith("RegistroAlta")
        suffix = "" if alta else "Anulada"
        ident = record.find("{%s}IDFactura" % SF)
        rejected = mode == "rechazar" and not lines
        line = (
            "<sfR:RespuestaLinea><sfR:IDFactura>"
            "<sf:IDEmisorFactura>%s</sf:IDEmisorFactura><sf:NumSerieFactura>%s</sf:NumSerieFactura>"
            "<sf:FechaExpedicionFactura>%s</sf:FechaExpedicionFactura></sfR:IDFactura>"
            "<sfR:Operacion><sf:TipoOperacion>%s</sf:TipoOperacion></sfR:Operacion>"
            "<sfR:EstadoRegistro>%s</sfR:EstadoRegistro>%s</sfR:RespuestaLinea>"
            % (
                text(ident, "{%s}IDEmisorFactura%s" % (SF, suffix)),
                text(ident, "{%s}NumSerieFactura%s" % (SF, suffix)),
                text(ident, "{%s}FechaExpedicionFactura%s" % (SF, suffix)),
                "Alta" if alta else "Anulacion",
                "Incorrecto" if rejected else "Correcto",
                "<sfR:CodigoErrorRegistro>1100</sfR:CodigoErrorRegistro>"
                "<sfR:DescripcionErrorRegistro>Valor o tipo incorrecto del campo: NombreRazon</sfR:DescripcionErrorRegistro>"
                if rejected
                else "",
            )
        )
        lines.append(line)
    state = "ParcialmenteCorrecto" if mode == "rechazar" and len(lines) > 1 else (
        "Incorrecto" if mode == "rechazar" else "Correcto")
    return (
        '<?xml version="1.0" encoding="UTF-8"?>'
        '<env:Envelope xmlns:env="%s"><env:Header/><env:Body>'
        '<sfR:RespuestaRegFactuSistemaFacturacion xmlns:sfR="%s" xmlns:sf="%s">'
        "<sfR:CSV>A-PRUEBA0123456789</sfR:CSV>"
        "<sfR:Cabecera><sf:ObligadoEmision><sf:NombreRazon>%s</sf:NombreRazon><sf:NIF>%s</sf:NIF>"
        "</sf:ObligadoEmision></sfR:Cabecera>"
        "<sfR:TiempoEsperaEnvio>60</sfR:TiempoEsperaEnvio><sfR:EstadoEnvio>%s</sfR:EstadoEnvio>%s"
        "</sfR:RespuestaRegFactuSistemaFacturacion></env:Body></env:Envelope>"
        % (SOAP, SFR, SF, text(header, "{%s}NombreRazon" % SF), text(header, "{%s}NIF" % SF), state, "".join(lines))
    ).encode("utf-8")


class Handler(http.server.BaseHTTPRequestHandler):
    def do_POST(self):
        body = self.rfile.read(int(self.headers.get("Content-Length", "0")))
        folder = self.server.folder
        count = len([n for n in os.listdir(folder) if n.startswith("peticion-")])
        with open(os.path.join(folder, "peticion-%d.xml" % (count + 1)), "wb") as f:
            f.write(body)
        with open(os.path.join(folder, "modo")) as f:
            mode = f.read().strip()
        if mode == "caido":
            self.reply(503, b"<html><body>Servicio no disponible</body></html>", "text/html")
        elif mode == "basura":
            self.reply(200, b"hola", "text/plain")
        else:
            self.reply(200, answer(body, mode), "text/xml; charset=UTF-8")

    def reply(self, status, body, kind):
        self.send_response(status)
        self.send_header("Content-Type", kind)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, *args):
        pass


def main():
    cert, key, client_ca, folder = sys.argv[1:5]
    server = http.server.HTTPServer(("127.0.0.1", 0), Handler)
    server.folder = folder
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(cert, key)
    context.verify_mode = ssl.CERT_REQUIRED
    context.load_verify_locations(client_ca)
    server.socket = context.wrap_socket(server.socket, server_side=True)
    print(server.server_address[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
