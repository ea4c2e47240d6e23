-- The suite's tables that the inventory tool reads, with the indexes a back-office database keeps
-- for these reads. Texts are latin1 (Windows-1252 in MariaDB).

CREATE TABLE filial (
  filial_id        INT NOT NULL,
  psi_nomest       VARCHAR(100) NULL,
  cgc              VARCHAR(20) NULL,
  inscr            VARCHAR(20) NULL,
  produto_arredond INT NULL,
  PRIMARY KEY (filial_id)
) ENGINE=InnoDB DEFAULT CHARSET=latin1;

CREATE TABLE grupo (
  grupo_id    INT NOT NULL,
  desc_arvore VARCHAR(150) NULL,
  descricao   VARCHAR(40) NULL,
  codigo      VARCHAR(150) NULL,
  apagado     CHAR(1) NOT NULL DEFAULT 'N',
  PRIMARY KEY (grupo_id),
  KEY idx_grupo_arvore (desc_arvore),
  KEY idx_grupo_codigo (codigo)
) ENGINE=InnoDB DEFAULT CHARSET=latin1;

CREATE TABLE espec (
  espec_id  INT NOT NULL,
  descricao VARCHAR(40) NULL,
  validade  DATETIME NULL,
  apagado   CHAR(1) NOT NULL DEFAULT 'N',
  PRIMARY KEY (espec_id),
  KEY idx_espec_descricao (descricao)
) ENGINE=InnoDB DEFAULT CHARSET=latin1;

CREATE TABLE produto (
  produto_id   INT NOT NULL,
  barras       VARCHAR(20) NULL,
  sittr        VARCHAR(5) NULL,
  descricao    VARCHAR(120) NULL,
  ncm          VARCHAR(20) NULL,
  unidade      VARCHAR(10) NULL,
  preco_cmp_un DECIMAL(15,4) NULL,
  tipo         CHAR(1) NOT NULL DEFAULT 'P',
  grupo_id     INT NULL,
  espec_id     INT NULL,
  apagado      CHAR(1) NOT NULL DEFAULT 'N',
  dtcadastro   DATETIME NULL,
  PRIMARY KEY (produto_id),
  KEY idx_produto_grupo (grupo_id),
  KEY idx_produto_espec (espec_id),
  KEY idx_produto_descricao (descricao)
) ENGINE=InnoDB DEFAULT CHARSET=latin1;

CREATE TABLE estoque_minimo (
  produto_id INT NOT NULL,
  filial_id  INT NOT NULL,
  estoque    DECIMAL(15,4) NULL,
  pmc        DECIMAL(15,4) NULL,
  precoee    DECIMAL(15,4) NULL,
  dtcadastro DATETIME NULL,
  PRIMARY KEY (filial_id, produto_id),
  KEY idx_estoque_produto (produto_id)
) ENGINE=InnoDB DEFAULT CHARSET=latin1;

CREATE TABLE preco_medio_custo_historico (
  historico_id  INT NOT NULL AUTO_INCREMENT,
  filial_id     INT NOT NULL,
  produto_id    INT NOT NULL,
  datahora      DATETIME NOT NULL,
  novo_pmc      DECIMAL(15,4) NULL,
  valor_entrada DECIMAL(15,4) NULL,
  PRIMARY KEY (historico_id),
  KEY idx_pmc_filial_produto_data (filial_id, produto_id, datahora)
) ENGINE=InnoDB DEFAULT CHARSET=latin1;

CREATE TABLE movment (
  movment_id  INT NOT NULL AUTO_INCREMENT,
  filial_id   INT NOT NULL,
  dafilial_id INT NULL,
  produto_id  INT NOT NULL,
  data_hora   DATETIME NOT NULL,
  oper        INT NOT NULL,
  e_s         CHAR(1) NOT NULL,
  quanti_uni  DECIMAL(15,4) NOT NULL DEFAULT 0,
  apagado     CHAR(1) NOT NULL DEFAULT 'N',
  PRIMARY KEY (movment_id),
  -- Covers the stock reversal's read of the movements after a date, without touching the rows.
  KEY idx_movment_data (data_hora, filial_id, dafilial_id, oper, apagado, produto_id, e_s, quanti_uni),
  KEY idx_movment_filial_data (filial_id, data_hora),
  KEY idx_movment_produto (produto_id, data_hora)
) ENGINE=InnoDB DEFAULT CHARSET=latin1;

-- Movements that the stock does not follow; deliberately without produto_id, e_s and oper,
-- so that those names in the movement statement resolve to movment's columns.
CREATE TABLE movment_sem_acompanhamento (
  movment_id INT NOT NULL,
  PRIMARY KEY (movment_id)
) ENGINE=InnoDB DEFAULT CHARSET=latin1;
