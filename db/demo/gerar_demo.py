#!/usr/bin/env python3
"""Demo data of a small store chain for the inventory register, as SQL for the mariadb client.

    python3 db/demo/gerar_demo.py [--semente N] [--saida arquivo.sql] [--produtos N]

Deterministic: the same seed gives the same bytes. The file is Windows-1252 (latin1 for the
server) and starts with SET NAMES latin1, so accented names arrive as the register prints them.
The year of movements is 2025; a stock date such as 30/06/2025 shows movements being reversed.

Cases the data always contain (the tests check each one):
  head office (1) and two stores with company name, CNPJ and state inscription; a rounding product
  set for branches 1 and 2; a three-level group tree with codes made of 7-digit ids; specifications
  without expiry, expired and still valid, and a deleted one; products with zero, negative and
  empty stock, deleted products, services (tipo "S"), products registered after mid-year, long
  descriptions, one value that overflows its column; movements of every branch, transfers recorded
  under branch 1 for the stores (dafilial_id), operation codes that never count, deleted movements
  and movements listed in movment_sem_acompanhamento; cost history with ties on the time stamp.
"""
import argparse
import datetime as dt
import random
import sys

ANO = 2025
INICIO = dt.datetime(ANO, 1, 1, 8, 0, 0)
FIM = dt.datetime(ANO, 12, 31, 20, 0, 0)
MEIO_DO_ANO = dt.datetime(ANO, 7, 1)
OPERS_IGNORADAS = [8, 9, 16, 4, 7, 14, 17]

FILIAIS = [
    (1, "SUPERMERCADOS BOA COLHEITA LTDA - MATRIZ", "12345678000195", "110042491"),
    (2, "SUPERMERCADOS BOA COLHEITA LTDA - LOJA SÃO JOSÉ", "12345678000276", "110042572"),
    (3, "SUPERMERCADOS BOA COLHEITA LTDA - LOJA CONCEIÇÃO", "12345678000357", "110042653"),
]

# Group tree: level 1 -> level 2 -> level 3 (each level-3 name is also the product's base noun).
ARVORE = [
    ("ALIMENTOS", [
        ("MERCEARIA", ["ARROZ", "FEIJÃO", "AÇÚCAR", "CAFÉ", "MACARRÃO", "FARINHA DE MANDIOCA"]),
        ("MATINAIS", ["ACHOCOLATADO", "CEREAL MATINAL", "BISCOITO MAÇÃ E CANELA", "PÃO DE FORMA"]),
        ("ENLATADOS E CONSERVAS", ["MILHO VERDE", "ERVILHA", "SARDINHA", "EXTRATO DE TOMATE"]),
    ]),
    ("BEBIDAS", [
        ("NÃO ALCOÓLICAS", ["REFRIGERANTE", "SUCO DE LARANJA", "ÁGUA MINERAL", "CHÁ GELADO"]),
        ("ALCOÓLICAS", ["CERVEJA", "VINHO TINTO", "CACHAÇA", "ESPUMANTE"]),
    ]),
    ("HIGIENE E BELEZA", [
        ("HIGIENE PESSOAL", ["SABONETE", "CREME DENTAL", "DESODORANTE", "PAPEL HIGIÊNICO"]),
        ("CABELOS", ["XAMPU", "CONDICIONADOR", "CREME PARA PENTEAR"]),
    ]),
    ("LIMPEZA", [
        ("LAVANDERIA", ["SABÃO EM PÓ", "AMACIANTE", "ALVEJANTE"]),
        ("LIMPEZA DA CASA", ["DETERGENTE", "DESINFETANTE", "ESPONJA", "LIMPADOR MULTIUSO"]),
    ]),
    ("HORTIFRÚTI", [
        ("FRUTAS", ["MAÇÃ", "BANANA PRATA", "MAMÃO FORMOSA", "LIMÃO TAITI"]),
        ("LEGUMES E VERDURAS", ["BATATA", "CEBOLA", "TOMATE", "ALFACE CRESPA", "PIMENTÃO"]),
    ]),
    ("AÇOUGUE E FRIOS", [
        ("CARNES", ["CONTRAFILÉ", "PATINHO", "FRANGO A PASSARINHO", "LINGUIÇA TOSCANA"]),
        ("FRIOS E LATICÍNIOS", ["QUEIJO MUÇARELA", "PRESUNTO", "IOGURTE", "REQUEIJÃO", "MANTEIGA"]),
    ]),
    ("UTILIDADES DOMÉSTICAS", [
        ("COZINHA", ["PANELA", "FRIGIDEIRA", "JOGO DE TALHERES", "ASSADEIRA"]),
        ("DESCARTÁVEIS", ["COPO DESCARTÁVEL", "PRATO DESCARTÁVEL", "GUARDANAPO"]),
    ]),
]
GRUPO_APAGADO = ("DESCONTINUADOS", [("LINHA ANTIGA", ["FITA DE VÍDEO"])])

MARCAS = ["BOA COLHEITA", "SÃO BENTO", "CORAÇÃO", "IPIRANGA", "PRIMAVERA", "ÁGUIA DOURADA", "SERRANA",
          "TRÊS PODERES", "VITÓRIA", "PARAÍSO", "CAMPEÃ", "NOSSA TERRA"]
VARIANTES = ["TRADICIONAL", "INTEGRAL", "LIGHT", "ZERO AÇÚCAR", "EXTRA", "PREMIUM", "ORGÂNICO", "ECONÔMICO",
             "FAMÍLIA", "CLÁSSICO", ""]
EMBALAGENS = [("UN", "1UN"), ("KG", "1KG"), ("KG", "5KG"), ("PCT", "500G"), ("CX", "12UN"), ("LT", "1L"),
              ("LT", "2L"), ("UN", "350ML"), ("PCT", "1KG"), ("FD", "6UN")]

ESPECS = [
    # descricao, validade (None = no expiry), apagado
    ("NACIONAL", None, "N"),
    ("IMPORTADO", None, "N"),
    ("PROMOÇÃO DE VERÃO", dt.datetime(2025, 3, 31), "N"),        # expired
    ("CAMPANHA PÁSCOA", dt.datetime(2025, 4, 20), "N"),          # expired
    ("LINHA SAUDÁVEL", dt.datetime(2099, 12, 31), "N"),          # valid for long
    ("SAZONAL NATAL", dt.datetime(2099, 1, 6), "N"),
    ("MARCA PRÓPRIA", None, "N"),
    ("REFRIGERADO", None, "N"),
    ("CONGELADO", None, "N"),
    ("ANTIGA CLASSIFICAÇÃO", None, "S"),                        # deleted
]


def txt(s):
    """An SQL text literal in double quotes (the server runs without ANSI_QUOTES)."""
    if s is None:
        return "NULL"
    return '"' + s.replace("\\", "\\\\").replace('"', '\\"') + '"'


def dec(v):
    """A value in ten-thousandths as DECIMAL(15,4) text; None is NULL."""
    if v is None:
        return "NULL"
    sinal = "-" if v < 0 else ""
    v = abs(v)
    return f"{sinal}{v // 10000}.{v % 10000:04d}"


def quando(t):
    return "NULL" if t is None else '"' + t.strftime("%Y-%m-%d %H:%M:%S") + '"'


class Gerador:
    def __init__(self, semente, produtos):
        self.r = random.Random(semente)
        self.n_produtos = produtos
        self.grupos = []      # (id, desc_arvore, descricao, codigo, apagado)
        self.folhas = []      # (grupo_id, base noun)
        self.produtos = []    # dicts
        self.estoques = []    # (produto_id, filial_id, estoque, pmc, precoee, dtcadastro)
        self.historico = []   # (id, filial, produto, datahora, novo_pmc, valor_entrada)
        self.movimentos = []  # (id, filial, dafilial, produto, data_hora, oper, e_s, quanti, apagado)
        self.sem_acomp = []
        self.prox_hist = 1
        self.prox_mov = 1

    # --- groups and specifications -------------------------------------------------------------
    def gerar_grupos(self):
        prox = 1
        arvore = ARVORE + [GRUPO_APAGADO]
        for i1, (n1, filhos) in enumerate(arvore):
            apagado = "S" if i1 == len(arvore) - 1 else "N"
            g1 = prox; prox += 1
            c1 = f"{g1:07d}"
            self.grupos.append((g1, n1, n1, c1, apagado))
            for n2, netos in filhos:
                g2 = prox; prox += 1
                c2 = f"{c1}.{g2:07d}"
                self.grupos.append((g2, f"{n1} / {n2}", n2, c2, apagado))
                for n3 in netos:
                    g3 = prox; prox += 1
                    self.grupos.append((g3, f"{n1} / {n2} / {n3}", n3, f"{c2}.{g3:07d}", apagado))
                    if apagado == "N":
                        self.folhas.append((g3, n3))

    # --- products ------------------------------------------------------------------------------
    def gerar_produtos(self):
        r = self.r
        usados = set()
        for pid in range(1, self.n_produtos + 1):
            grupo_id, base = self.folhas[(pid - 1) % len(self.folhas)]
            while True:
                unidade, emb = r.choice(EMBALAGENS)
                nome = " ".join(x for x in (base, r.choice(VARIANTES), r.choice(MARCAS), emb) if x)
                if nome not in usados:
                    break
                nome += f" {pid}"
                if nome not in usados:
                    break
            usados.add(nome)
            p = {
                "id": pid, "barras": f"789{pid:010d}", "sittr": r.choice(["T18", "T12", "F", "I", "N"]),
                "descricao": nome, "ncm": f"{r.randrange(1000, 9999)}{r.randrange(0, 9999):04d}",
                "unidade": unidade, "preco": r.randrange(150, 25000) * 100,  # ten-thousandths
                "tipo": "P", "grupo": grupo_id,
                "espec": None if r.random() < 0.3 else 1 + r.randrange(len(ESPECS)),
                "apagado": "N", "cadastro": dt.datetime(2024, 1, 1) + dt.timedelta(minutes=r.randrange(0, 500000)),
                "caso": "normal",
            }
            self.produtos.append(p)

        # Special cases, at fixed places so that every seed has them all.
        def marcar(indices, caso, **mudancas):
            for i in indices:
                p = self.produtos[i]
                p["caso"] = caso
                p.update(mudancas)

        n = len(self.produtos)
        passo = max(n // 60, 30)
        marcar(range(5, n, passo * 2), "zero")
        marcar(range(7, n, passo * 2), "negativo")
        marcar(range(11, n, passo * 3), "vazio")
        marcar(range(13, n, passo), "apagado", apagado="S")
        marcar(range(17, n, passo * 4), "servico", tipo="S")
        for i in range(19, n, passo):
            p = self.produtos[i]
            p["caso"] = "novo"
            p["cadastro"] = MEIO_DO_ANO + dt.timedelta(days=self.r.randrange(15, 160), hours=9)
        for i in range(23, n, passo * 3):
            p = self.produtos[i]
            p["descricao"] = (p["descricao"] + " - EMBALAGEM ECONÔMICA COM ALÇA E TAMPA ABRE-FÁCIL")[:120]
        for i in range(29, n, passo * 5):
            self.produtos[i]["ncm"] = None
        # The rounding product: the stores' coin-rounding adjustments go through it.
        arred = self.produtos[-1]
        arred.update(descricao="AJUSTE DE ARREDONDAMENTO DE CAIXA", unidade="UN", preco=100, espec=None,
                     caso="arredondamento", ncm="00000000", cadastro=dt.datetime(2020, 1, 1), tipo="P", apagado="N")
        # A wholesale lot whose line value overflows the register's column.
        lote = self.produtos[-2]
        lote.update(descricao="SOJA EM GRÃOS - LOTE ATACADO (SACA 60KG)", unidade="SC", preco=1500000,
                    caso="estouro", cadastro=dt.datetime(2023, 5, 2, 10, 30), tipo="P", apagado="N")

    # --- stock, movements and cost history ------------------------------------------------------
    def mov(self, filial, dafilial, produto, quando_, oper, e_s, quanti, apagado="N"):
        mid = self.prox_mov
        self.prox_mov += 1
        self.movimentos.append((mid, filial, dafilial, produto, quando_, oper, e_s, quanti, apagado))
        return mid

    def hist(self, filial, produto, quando_, pmc, entrada):
        self.historico.append((self.prox_hist, filial, produto, quando_, pmc, entrada))
        self.prox_hist += 1

    def momento(self, desde):
        inicio = max(desde, INICIO)
        segundos = int((FIM - inicio).total_seconds())
        return inicio + dt.timedelta(seconds=self.r.randrange(max(segundos, 1)))

    def gerar_movimentos(self):
        r = self.r
        for p in self.produtos:
            pid, caso = p["id"], p["caso"]
            for filial in (1, 2, 3):
                if caso not in ("arredondamento", "estouro") and r.random() < 0.06:
                    continue  # not carried by this branch: no stock row
                if caso == "estouro" and filial != 1:
                    continue
                custo = p["preco"] * r.randrange(85, 100) // 100
                cadastro_estoque = p["cadastro"] + dt.timedelta(days=r.randrange(0, 3))
                desde = p["cadastro"] if caso == "novo" else INICIO
                if caso in ("zero", "vazio"):
                    estoque = 0
                    eventos = []
                elif caso == "estouro":
                    estoque = 8000000 * 10000
                    eventos = []
                elif caso == "novo":
                    estoque = 0
                    eventos = sorted(self.momento(desde) for _ in range(r.randrange(2, 6)))
                else:
                    estoque = r.randrange(5, 400) * 10000
                    eventos = sorted(self.momento(desde) for _ in range(r.randrange(3, 9)))
                pmc = custo
                if caso != "novo" and r.random() < 0.85:
                    # The cost carried from last year, stamped at that year's last purchase.
                    anterior = dt.datetime(ANO - 1, 1, 2, 8, 0, 0) + dt.timedelta(seconds=r.randrange(360 * 86400))
                    self.hist(filial, pid, anterior, pmc, custo)
                ultima_entrada = custo
                for t in eventos:
                    q = r.randrange(1, 60) * 10000
                    if caso == "arredondamento":
                        self.mov(filial, filial, pid, t, 2, r.choice("ES"), r.randrange(1, 5) * 10000)
                        continue
                    escolha = r.random()
                    if escolha < 0.35 or estoque < q:
                        # Purchase: new average cost, sometimes two history rows in the same second.
                        preco = custo * r.randrange(90, 115) // 100
                        novo = (estoque * pmc + q * preco) // (estoque + q) if estoque + q > 0 else preco
                        self.mov(filial, filial, pid, t, 1, "E", q)
                        estoque += q
                        pmc, ultima_entrada = novo, preco
                        if r.random() < 0.04:
                            self.hist(filial, pid, t, 0, preco)  # zero cost: falls back
                        else:
                            self.hist(filial, pid, t, novo, preco)
                        if r.random() < 0.08:
                            pmc = novo + r.randrange(1, 500) * 100
                            self.hist(filial, pid, t, pmc, preco)  # tie: the greater id wins
                    elif escolha < 0.80:
                        self.mov(filial, filial, pid, t, r.choice([2, 2, 2, 10, 11]), "S", q)
                        estoque -= q
                    elif escolha < 0.88 and filial != 1:
                        # Transfer from the head office, recorded under branch 1 for the store.
                        self.mov(1, 1, pid, t, 3, "S", q)
                        self.mov(1, filial, pid, t + dt.timedelta(minutes=40), 3, "E", q)
                        estoque += q
                    elif escolha < 0.93:
                        # Operations that never move the register's stock.
                        self.mov(filial, filial, pid, t, r.choice(OPERS_IGNORADAS), r.choice("ES"), q)
                    elif escolha < 0.97:
                        self.mov(filial, filial, pid, t, 2, "S", q, apagado="S")
                    else:
                        mid = self.mov(filial, filial, pid, t, 2, "S", q)
                        self.sem_acomp.append(mid)
                if caso == "negativo":
                    # Sold beyond what was on hand; the store has not yet counted it.
                    q = estoque + r.randrange(1, 20) * 10000
                    self.mov(filial, filial, pid, dt.datetime(ANO, 12, 30, 19, 0, 0), 2, "S", q)
                    estoque -= q
                valor_estoque = None if caso == "vazio" else estoque
                pmc_estoque = 0 if r.random() < 0.05 else pmc
                precoee = None if r.random() < 0.05 else ultima_entrada
                self.estoques.append((pid, filial, valor_estoque, pmc_estoque, precoee, cadastro_estoque))

    def gerar(self):
        self.gerar_grupos()
        self.gerar_produtos()
        self.gerar_movimentos()
        self.movimentos.sort(key=lambda m: m[0])

    # --- output --------------------------------------------------------------------------------
    def sql(self):
        linhas = ["-- Demo data of the inventory register; generated by db/demo/gerar_demo.py. Windows-1252.",
                  "SET NAMES latin1;", "SET sql_mode = 'NO_ENGINE_SUBSTITUTION';", "SET autocommit = 0;"]
        arred_id = self.produtos[-1]["id"]

        def inserir(tabela, colunas, registros):
            for i in range(0, len(registros), 500):
                bloco = registros[i:i + 500]
                linhas.append(f"INSERT INTO {tabela} ({', '.join(colunas)}) VALUES\n" +
                              ",\n".join("(" + ", ".join(v) + ")" for v in bloco) + ";")

        inserir("filial", ["filial_id", "psi_nomest", "cgc", "inscr", "produto_arredond"],
                [(str(f), txt(n), txt(c), txt(i), str(arred_id) if f in (1, 2) else "NULL")
                 for f, n, c, i in FILIAIS])
        inserir("grupo", ["grupo_id", "desc_arvore", "descricao", "codigo", "apagado"],
                [(str(g), txt(a), txt(d), txt(c), txt(x)) for g, a, d, c, x in self.grupos])
        inserir("espec", ["espec_id", "descricao", "validade", "apagado"],
                [(str(i + 1), txt(d), quando(v), txt(a)) for i, (d, v, a) in enumerate(ESPECS)])
        inserir("produto", ["produto_id", "barras", "sittr", "descricao", "ncm", "unidade", "preco_cmp_un", "tipo",
                            "grupo_id", "espec_id", "apagado", "dtcadastro"],
                [(str(p["id"]), txt(p["barras"]), txt(p["sittr"]), txt(p["descricao"]), txt(p["ncm"]),
                  txt(p["unidade"]), dec(p["preco"]), txt(p["tipo"]), str(p["grupo"]),
                  "NULL" if p["espec"] is None else str(p["espec"]), txt(p["apagado"]), quando(p["cadastro"]))
                 for p in self.produtos])
        inserir("estoque_minimo", ["produto_id", "filial_id", "estoque", "pmc", "precoee", "dtcadastro"],
                [(str(a), str(b), dec(c), dec(d), dec(e), quando(f)) for a, b, c, d, e, f in self.estoques])
        inserir("preco_medio_custo_historico",
                ["historico_id", "filial_id", "produto_id", "datahora", "novo_pmc", "valor_entrada"],
                [(str(a), str(b), str(c), quando(d), dec(e), dec(f)) for a, b, c, d, e, f in self.historico])
        inserir("movment", ["movment_id", "filial_id", "dafilial_id", "produto_id", "data_hora", "oper", "e_s",
                            "quanti_uni", "apagado"],
                [(str(a), str(b), str(c), str(d), quando(e), str(f), txt(g), dec(h), txt(i))
                 for a, b, c, d, e, f, g, h, i in self.movimentos])
        inserir("movment_sem_acompanhamento", ["movment_id"], [(str(m),) for m in self.sem_acomp])
        linhas.append("COMMIT;")
        # Fresh tables have no statistics yet; without them the server may pick full scans for joins.
        linhas.append("ANALYZE TABLE filial, grupo, espec, produto, estoque_minimo, preco_medio_custo_historico, "
                      "movment, movment_sem_acompanhamento;")
        return "\n".join(linhas) + "\n"


def main(argv):
    ap = argparse.ArgumentParser(description="Generates the demo database's data as SQL (Windows-1252).")
    ap.add_argument("--semente", type=int, default=7, help="random seed (default 7)")
    ap.add_argument("--produtos", type=int, default=3000, help="number of products (default 3000, minimum 120)")
    ap.add_argument("--saida", default="-", help="output file (default: standard output)")
    a = ap.parse_args(argv)
    if a.produtos < 120:
        ap.error("--produtos must be at least 120, so that every case is present")
    g = Gerador(a.semente, a.produtos)
    g.gerar()
    dados = g.sql().encode("cp1252")
    if a.saida == "-":
        sys.stdout.buffer.write(dados)
    else:
        temporario = a.saida + ".tmp"
        with open(temporario, "wb") as f:
            f.write(dados)
        import os
        os.replace(temporario, a.saida)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
